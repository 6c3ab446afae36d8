#pragma once

#include <string>

namespace platform {

// The update flow's only dialog: modal to the application's windows, the application title as
// caption, no icon, the text (UTF-8) and one "OK" button that is both the default and the
// cancel button. Returns when the dialog has been closed.
void ShowMessageBox(const std::string& text);

// The message loop's error box for an exception that escaped a handler: as ShowMessageBox, but
// with the error icon.
void ShowErrorBox(const std::string& text);

} // namespace platform
