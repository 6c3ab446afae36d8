#include "controls/ControlPainting.h"

#include "controls/Canvas.h"

namespace controls {

void PaintControl(TControl& control, platform::TBitmap& bitmap, int scale, TPoint origin,
                  const platform::TRect& clip) {
  if (bitmap.IsEmpty() || clip.IsEmpty())
    return;
  TCanvas canvas(bitmap, scale);
  canvas.SetOrigin(origin);
  canvas.IntersectClip(clip.Offset(-origin.X, -origin.Y));
  control.Paint(canvas);
}

} // namespace controls
