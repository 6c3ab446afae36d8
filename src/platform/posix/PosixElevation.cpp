// The updater on Linux never asks for other rights: a player folder it cannot write is told to
// the user instead.
#include "platform/Elevation.h"

namespace platform {

std::unique_ptr<ElevatedRun> StartElevatedSelf(const std::vector<std::string>& /*arguments*/) {
  return nullptr;
}

} // namespace platform
