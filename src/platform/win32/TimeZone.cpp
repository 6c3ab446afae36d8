#include "platform/DateTime.h"

namespace platform {

long LocalTimeOffset(std::time_t moment) {
  // Windows' C library has no offset field: the local time read back as UTC gives it.
  std::tm local{};
  localtime_s(&local, &moment);
  return static_cast<long>(_mkgmtime(&local) - moment);
}

} // namespace platform
