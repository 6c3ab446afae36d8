#pragma once

#include <string>

namespace platform {

// The folder where this user's programs keep their own data on this machine, without the
// program's name: %LOCALAPPDATA% on Windows, $XDG_STATE_HOME (or ~/.local/state) on Linux.
// Empty when the system names none.
std::string LocalDataFolder();

} // namespace platform
