#pragma once

#include "platform/Bitmap.h"

#include <vector>

namespace platform {

// The program's icon, our own artwork (a radio with a download arrow), `size` pixels square:
// pixels 0xAARRGGBB with the colours premultiplied by alpha.
TBitmap ProgramIconBitmap(int size);
// The icon at each size a window shows it: 256, 128, 48, 32 and 16 pixels (on Windows 48, 32
// and 16, the sizes the exe's icon holds).
std::vector<TBitmap> ProgramIconSizes();

} // namespace platform
