#pragma once

#include <string>

namespace platform {

// The update flow's only dialog: application-modal, centred on the screen, the application
// title as caption, no icon, the text and one "OK" button that is both the default and the
// cancel button (Enter, Escape, the button and the close box all close it). Returns when the
// dialog has been closed.
void ShowMessageBox(const std::string& text); // UTF-8

// The event loop's error box for an exception that escaped a handler: as ShowMessageBox, but
// with the error icon.
void ShowErrorBox(const std::string& text);

} // namespace platform
