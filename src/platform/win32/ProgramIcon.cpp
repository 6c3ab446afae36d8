#include "platform/ProgramIcon.h"

#include "platform/win32/ShowBitmap.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

// Straight alpha to premultiplied, each colour channel rounded.
std::uint32_t Premultiplied(std::uint32_t pixel) {
  const std::uint32_t alpha = pixel >> 24;
  const auto channel = [alpha](std::uint32_t value) { return (value * alpha + 127) / 255; };
  return (alpha << 24) | (channel((pixel >> 16) & 0xFF) << 16) |
         (channel((pixel >> 8) & 0xFF) << 8) | channel(pixel & 0xFF);
}

} // namespace

TBitmap ProgramIconBitmap(int size) {
  // The exe's icon, resource 1; a program without one has no picture to give.
  auto* icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                             IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (!icon)
    return {};
  TBitmap picture;
  ICONINFO info{};
  if (GetIconInfo(icon, &info)) {
    BITMAPINFO format = TopDownBitmapInfo(size, size);
    TBitmap pixels(size, size, 0);
    HDC screen = GetDC(nullptr);
    if (info.hbmColor &&
        GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(size), pixels.Bits(), &format,
                  DIB_RGB_COLORS) == size) {
      std::uint32_t* bits = pixels.Bits();
      const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
      // An icon without an alpha channel is opaque.
      const bool hasAlpha = std::any_of(bits, bits + count, [](std::uint32_t p) { return p >> 24; });
      std::transform(bits, bits + count, bits, [hasAlpha](std::uint32_t p) {
        return hasAlpha ? Premultiplied(p) : (p | 0xFF000000u);
      });
      picture = std::move(pixels);
    }
    ReleaseDC(nullptr, screen);
    if (info.hbmColor)
      DeleteObject(info.hbmColor);
    if (info.hbmMask)
      DeleteObject(info.hbmMask);
  }
  DestroyIcon(icon);
  return picture;
}

std::vector<TBitmap> ProgramIconSizes() {
  // The sizes the exe's icon holds: a larger one would be this program's scaling of the 48,
  // which the system does as well when it needs one, and each costs a load at the start.
  std::vector<TBitmap> sizes;
  for (int size : {48, 32, 16})
    sizes.push_back(ProgramIconBitmap(size));
  return sizes;
}

} // namespace platform
