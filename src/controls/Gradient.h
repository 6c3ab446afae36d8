#pragma once

#include "controls/Canvas.h"

namespace controls {

enum TGradientDirection {
  gdDiagonalUp,
  gdDiagonalDown,
  gdHorizontalEnd,
  gdHorizontalCenter,
  gdHorizontalBox,
  gdVerticalEnd,
  gdVerticalCenter,
  gdVerticalBox,
  gdSquareBox,
  gdBigSquareBox
};

// A rectangle of pixels 0xFFRRGGBB inside a bitmap, its rows `stride` pixels apart.
struct TPixels {
  std::uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// The gradient along one axis of `image`: along the rows (each row one colour) or along the
// columns. Painted as solid bands of equal colour (at least a minimum length from `colors`) in
// an 8-pixel strip, which block copies that double each time then spread over the image.
// `centre` < 0: one run from start to stop; otherwise two runs meeting at `centre`.
void FillGradientStrip(TPixels image, bool alongRows, int centre, TColor start, TColor stop,
                       int colors);

// Paints the gradient of `rect` in `direction` through an off-screen bitmap; nothing for an
// empty rectangle.
void DrawGradientRect(TCanvas& canvas, const TRect& rect, TGradientDirection direction,
                      TColor startColor, TColor stopColor, int colors = 1);

// A two-pixel frame showing the gradient of the whole rectangle; only in full colour.
void DrawGradientRing(TCanvas& canvas, const TRect& rect, TGradientDirection direction,
                      TColor color1, TColor color2);

} // namespace controls
