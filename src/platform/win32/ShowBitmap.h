#pragma once

#include "platform/Bitmap.h"

#include <windows.h>

namespace platform {

// The description of a 32-bit device-independent bitmap of `width` × `height` pixels with its
// rows top-down, as TBitmap keeps them.
inline BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Puts the pixels of `area` (in the bitmap's coordinates, clipped to it) at the same place on
// `dc`, as they are: the bitmap's rows are a top-down 32-bit device-independent bitmap already.
void ShowBitmap(HDC dc, const TBitmap& bitmap, const TRect& area);

} // namespace platform
