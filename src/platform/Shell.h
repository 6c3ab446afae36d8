#pragma once

#include <functional>
#include <string>

namespace platform {

// Opens a document or address with the user's default handler (xdg-open, detached from the
// updater, in a session of its own); true when the handler took it. Waits for the opener at
// most a few seconds; one still running then has taken it.
bool ShellOpen(const std::string& target);

// Offers the desktop's "open with" chooser for `target` when there is one; false otherwise.
bool ShellOpenWith(const std::string& target);

// Replaces ShellOpen (tests); an empty function restores it.
void SetShellOpener(std::function<bool(const std::string&)> opener);

} // namespace platform
