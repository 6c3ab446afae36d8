#include "platform/win32/ShowBitmap.h"

namespace platform {

void ShowBitmap(HDC dc, const TBitmap& bitmap, const TRect& area) {
  const TRect part = area.Intersected(bitmap.Bounds());
  if (part.IsEmpty())
    return;
  // The picture handed over starts at the area's first row, so the top-down rows need no
  // arithmetic on scan lines: only the area's columns are chosen by the source offset.
  const BITMAPINFO info = TopDownBitmapInfo(bitmap.Width(), part.Height());
  SetDIBitsToDevice(dc, part.Left, part.Top, static_cast<DWORD>(part.Width()),
                    static_cast<DWORD>(part.Height()), part.Left, 0, 0,
                    static_cast<UINT>(part.Height()), bitmap.Row(part.Top), &info, DIB_RGB_COLORS);
}

} // namespace platform
