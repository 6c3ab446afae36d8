#pragma once

#include "platform/Geometry.h"

// How pixels of the layout map to the device's pixels at a display scale, given as dots per 96
// pixels of the layout (96 is 100 %, 120 is 125 %, 144 is 150 %, 192 is 200 %). Layouts stay
// in pixels of 100 %; only painting, the window's size and the mouse's position convert.

namespace platform {

inline constexpr int BaseDpi = 96;

// The dpi of a device pixel ratio (1.5 gives 144), at least 96.
constexpr int DpiOfRatio(double ratio) {
  const int dpi = static_cast<int>(ratio * BaseDpi + 0.5);
  return dpi < BaseDpi ? BaseDpi : dpi;
}

// The device pixel at which the layout's edge `value` lies: the nearest one, halves rounded
// up. One rule for every edge, so that rectangles that meet in the layout meet on the device.
constexpr int DeviceEdge(int value, int dpi) {
  const long long scaled = static_cast<long long>(value) * dpi + BaseDpi / 2;
  const long long floor = scaled >= 0 ? scaled / BaseDpi : -((-scaled + BaseDpi - 1) / BaseDpi);
  return static_cast<int>(floor);
}

constexpr TRect DeviceRect(const TRect& rect, int dpi) {
  return {DeviceEdge(rect.Left, dpi), DeviceEdge(rect.Top, dpi), DeviceEdge(rect.Right, dpi),
          DeviceEdge(rect.Bottom, dpi)};
}

constexpr TSize DeviceSize(TSize size, int dpi) {
  return {DeviceEdge(size.Width, dpi), DeviceEdge(size.Height, dpi)};
}

// The layout pixel that holds device pixel `value` (a mouse position): the last one whose
// DeviceEdge is at or before it.
constexpr int LayoutPosition(int value, int dpi) {
  const long long scaled = static_cast<long long>(value) * BaseDpi + BaseDpi / 2 - 1;
  return static_cast<int>(scaled >= 0 ? scaled / dpi : -((-scaled + dpi - 1) / dpi));
}

// The layout size whose device size is `size`, or the nearest one (a client area the system
// sized).
constexpr TSize LayoutSize(TSize size, int dpi) {
  const auto back = [dpi](int value) {
    return static_cast<int>((static_cast<long long>(value) * BaseDpi + dpi / 2) / dpi);
  };
  return {back(size.Width), back(size.Height)};
}

// The width of a one-pixel line on the device: one pixel up to 199 %, two at 200 %, and so on,
// so that every line of a frame is as wide as every other.
constexpr int PenWidth(int dpi) {
  return dpi < BaseDpi ? 1 : dpi / BaseDpi;
}

// A length of the layout (an icon's size, a font's height) at `dpi`, rounded to the nearest.
constexpr int ScaledLength(int value, int dpi) {
  return DeviceEdge(value, dpi);
}

} // namespace platform
