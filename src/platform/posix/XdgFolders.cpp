#include "platform/UserFolders.h"

#include <cstdlib>

namespace platform {

std::string LocalDataFolder() {
  // Only an absolute path counts, as the base directory rules say.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
    return state;
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return std::string(home) + "/.local/state";
  return {};
}

} // namespace platform
