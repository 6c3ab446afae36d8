#pragma once

#include "platform/Bitmap.h"

#include <string>

namespace tools {

// What drawing pictures into files needs from the system the tool runs on.

// Makes the windows that the process creates from now on draw without appearing on a screen
// where the system allows it; call before the application object is made.
void DrawWindowsOffScreen();

// Writes `picture` to the file `fileName` as PNG; false when it cannot be written.
bool WritePng(const platform::TBitmap& picture, const std::string& fileName);

} // namespace tools
