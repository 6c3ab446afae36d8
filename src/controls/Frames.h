#pragma once

#include "controls/Canvas.h"

namespace controls {

enum TFrameStyleEx {
  fsNone,
  fsFlat,
  fsGroove,
  fsBump,
  fsLowered,
  fsButtonDown,
  fsRaised,
  fsButtonUp,
  fsStatus,
  fsPopup,
  fsFlatBold,
  fsFlatRounded
};

// A set of sides: sdLeft 1, sdTop 2, sdRight 4, sdBottom 8.
using TSides = unsigned;
inline constexpr TSides sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8, sdAll = 15;

// One-pixel lines on the named sides (upper-left colour for left and top, lower-right for right
// and bottom; clNone draws nothing); returns the rectangle moved in by one on every named side.
TRect DrawEdgeLines(TCanvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor,
                    TSides sides);
// DrawEdgeLines `width` times, each inside the last.
TRect DrawEdgeBands(TCanvas& canvas, const TRect& rect, TColor ulColor, TColor lrColor, int width,
                    TSides sides);

struct TFrameParams {
  TFrameStyleEx outer = fsNone;
  TFrameStyleEx inner = fsNone;
  int borderWidth = 0;
  TSides sides = sdAll;
  int bevelWidth = 1;
  TColor borderColor = clBtnFace;
  TColor borderHighlight = clBtnHighlight;
  TColor borderShadow = clBtnShadow;
  TColor flatColor = clBtnShadow;
  int flatColorAdjustment = 0;
  TColor color = clBtnFace;
  TColor parentColor = clBtnFace;
  bool transparent = false;
  bool softInnerFlat = false;
};

// The outer edge, the border and the inner edge of a control; returns the rectangle inside.
TRect DrawControlFrame(TCanvas& canvas, const TRect& rect, const TFrameParams& frame);

// Pixels of `color` (black unless the backdrop asks for another) on every second place along
// the four sides; returns the rectangle shrunk by 1.
TRect DrawDottedFocusFrame(TCanvas& canvas, const TRect& rect, TColor color = clBlack);

} // namespace controls
