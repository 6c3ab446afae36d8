#pragma once

#include "platform/Bitmap.h"

#include <windows.h>

namespace platform {

// Puts the pixels of `area` (in the bitmap's coordinates, clipped to it) at the same place on
// `dc`, as they are: the bitmap's rows are a top-down 32-bit device-independent bitmap already.
void ShowBitmap(HDC dc, const TBitmap& bitmap, const TRect& area);

} // namespace platform
