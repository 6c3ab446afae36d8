#include "controls/Frames.h"

#include <utility>

namespace controls {

TRect DrawEdgeLines(TCanvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor,
                    TSides sides) {
  const TRect& r = rect;
  if (ulColor != clNone) {
    if (sides & sdLeft)
      canvas.Line(r.Left, r.Top, r.Left, r.Bottom, ulColor);
    if (sides & sdTop)
      canvas.Line(r.Left, r.Top, r.Right, r.Top, ulColor);
  }
  if (lrColor != clNone) {
    if (sides & sdRight)
      canvas.Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom, lrColor);
    if (sides & sdBottom)
      canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, lrColor);
  }
  TRect inside = rect;
  if (sides & sdLeft)
    ++inside.Left;
  if (sides & sdTop)
    ++inside.Top;
  if (sides & sdRight)
    --inside.Right;
  if (sides & sdBottom)
    --inside.Bottom;
  return inside;
}

TRect DrawEdgeBands(TCanvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor, int width,
                    TSides sides) {
  TRect current = rect;
  for (int i = 0; i < width; ++i)
    current = DrawEdgeLines(canvas, current, ulColor, lrColor, sides);
  return current;
}

namespace {

// The 3D styles (not used by the window): two bands of light and shadow.
TRect Draw3D(TCanvas& canvas, const TRect& rect, TFrameStyleEx style, const TFrameParams& f) {
  const TColor light = f.borderHighlight, shadow = f.borderShadow;
  switch (style) {
  case fsGroove: {
    const TRect inside = DrawEdgeLines(canvas, rect, shadow, light, f.sides);
    return DrawEdgeLines(canvas, inside, light, shadow, f.sides);
  }
  case fsBump: {
    const TRect inside = DrawEdgeLines(canvas, rect, light, shadow, f.sides);
    return DrawEdgeLines(canvas, inside, shadow, light, f.sides);
  }
  case fsLowered:
  case fsButtonDown: {
    const TRect inside = DrawEdgeLines(canvas, rect, shadow, light, f.sides);
    return DrawEdgeLines(canvas, inside, cl3DDkShadow, f.color, f.sides);
  }
  case fsRaised:
  case fsButtonUp: {
    const TRect inside = DrawEdgeLines(canvas, rect, light, cl3DDkShadow, f.sides);
    return DrawEdgeLines(canvas, inside, f.color, shadow, f.sides);
  }
  case fsFlatRounded: {
    const TColor flat = ShadeColor(f.flatColor, f.flatColorAdjustment);
    const TRect r = rect;
    if (f.transparent) {
      canvas.Line(r.Left + 1, r.Top, r.Right - 1, r.Top, flat);
      canvas.Line(r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1, flat);
      canvas.Line(r.Left, r.Top + 1, r.Left, r.Bottom - 1, flat);
      canvas.Line(r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1, flat);
      return r.Inflated(-1, -1);
    }
    const TRect inside = DrawEdgeBands(canvas, rect, flat, flat, 1, f.sides);
    for (const auto& [x, y] :
         {std::pair{r.Left, r.Top}, std::pair{r.Right - 1, r.Top}, std::pair{r.Left, r.Bottom - 1},
          std::pair{r.Right - 1, r.Bottom - 1}})
      canvas.Pixel(x, y, f.parentColor);
    return inside;
  }
  default:
    return rect;
  }
}

TRect DrawEdge(TCanvas& canvas, const TRect& rect, TFrameStyleEx style, const TFrameParams& f,
               TColor flat) {
  switch (style) {
  case fsNone:
    return rect;
  case fsFlat:
    return DrawEdgeBands(canvas, rect, flat, flat, 1, f.sides);
  case fsFlatBold:
    return DrawEdgeBands(canvas, rect, flat, flat, 2, f.sides);
  case fsStatus:
    return DrawEdgeBands(canvas, rect, f.borderShadow, f.borderHighlight, f.bevelWidth, f.sides);
  case fsPopup:
    return DrawEdgeBands(canvas, rect, f.borderHighlight, f.borderShadow, f.bevelWidth, f.sides);
  default:
    return Draw3D(canvas, rect, style, f);
  }
}

} // namespace

TRect DrawControlFrame(TCanvas& canvas, const TRect& rect, const TFrameParams& f) {
  const TColor flat = ShadeColor(f.flatColor, f.flatColorAdjustment);
  TRect r = DrawEdge(canvas, rect, f.outer, f, flat);
  if (f.borderWidth > 0)
    r = DrawEdgeBands(canvas, r, f.borderColor, f.borderColor, f.borderWidth, f.sides);
  if (f.inner == fsFlat && f.softInnerFlat) {
    canvas.Line(r.Left, r.Top + 1, r.Left, r.Bottom - 1, flat);
    canvas.Line(r.Left + 1, r.Top, r.Right - 1, r.Top, flat);
    canvas.Line(r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1, flat);
    canvas.Line(r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1, flat);
    return r.Inflated(-1, -1);
  }
  return DrawEdge(canvas, r, f.inner, f, flat);
}

TRect DrawDottedFocusFrame(TCanvas& canvas, const TRect& rect, TColor color) {
  for (int y = rect.Top + 1; y < rect.Bottom; y += 2) {
    canvas.Pixel(rect.Left, y, color);
    canvas.Pixel(rect.Right - 1, y, color);
  }
  for (int x = rect.Left + 1; x < rect.Right; x += 2) {
    canvas.Pixel(x, rect.Top, color);
    canvas.Pixel(x, rect.Bottom - 1, color);
  }
  return rect.Inflated(-1, -1);
}

} // namespace controls
