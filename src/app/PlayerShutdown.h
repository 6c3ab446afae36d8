#pragma once

#include "app/PlayerUpdate.h"
#include "platform/DesktopWindows.h"

#include <chrono>
#include <string>
#include <string_view>

namespace app {

// The running player's main window class (its executable's name is PlayerExeName).
inline constexpr std::string_view PlayerWindowClass = "Kolvarin";

// How long the player may take to handle the close request.
inline constexpr std::chrono::milliseconds PlayerCloseTimeout{5000};

// Asks the window to close and waits for it, at most PlayerCloseTimeout (a player that does not
// answer at all within it counts as hung and is not asked); when the window is still there
// afterwards, its process is terminated. A null window does nothing. Reports nothing.
void CloseWindowProcess(platform::WindowHandle window);

// Terminates every process whose executable is named `name` (see ExeNameMatches), wherever it
// was started from, and never the caller itself. Processes that cannot be signalled are
// skipped. Returns how many were terminated.
int TerminateProcessesByName(std::string_view name);

// Only the bytes 'a' to 'z' become 'A' to 'Z'; every other byte stays as it is.
std::string AsciiUpperCase(std::string_view text);

// Whether a process's executable `exe` (a bare name or a path) is the file `name`: its base
// name, after the last '/', '\' or ':', or else the whole of it, equals `name` byte for byte
// after ASCII upper-casing.
bool ExeNameMatches(std::string_view exe, std::string_view name);

} // namespace app
