#pragma once

#include "controls/TControl.h"

namespace controls {

// Lets `control` paint itself into the form's picture `bitmap` (device pixels, `scale` per
// pixel) on a canvas whose origin is the control's top-left corner `origin` in the form and
// whose clip is `clip` (in the form), so that nothing outside the dirty part changes.
void PaintControl(TControl& control, platform::TBitmap& bitmap, int scale, TPoint origin,
                  const platform::TRect& clip);

} // namespace controls
