#pragma once

#include "controls/TControl.h"

#include <cstdint>

namespace controls {

// Lets `control` paint itself into the form's picture `bitmap` (device pixels at `dpi`) on a
// canvas whose origin is the control's top-left corner `origin` in the form, whose extent is
// the control's size and whose clip is `clip` (in the form), so that nothing outside the dirty
// part changes.
void PaintControl(TControl& control, platform::TBitmap& bitmap, int dpi, TPoint origin,
                  const platform::TRect& clip);

// The control's own picture (its children left out) at one pixel per pixel, over `background`
// or, `overParents`, over what its ancestors paint there (the form's colour at the root).
platform::TBitmap RenderControl(TControl& control, bool overParents, std::uint32_t background);

} // namespace controls
