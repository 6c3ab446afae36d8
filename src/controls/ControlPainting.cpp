#include "controls/ControlPainting.h"

#include "controls/Canvas.h"
#include "controls/TForm.h"

#include <algorithm>
#include <vector>

namespace controls {

void PaintControl(TControl& control, platform::TBitmap& bitmap, int dpi, TPoint origin,
                  const platform::TRect& clip) {
  if (bitmap.IsEmpty() || clip.IsEmpty())
    return;
  TCanvas canvas(bitmap, dpi);
  canvas.SetOrigin(origin);
  canvas.SetExtent({control.Width(), control.Height()});
  // The form's dirty part maps as the form clears it, whatever the control's frames do.
  canvas.IntersectDeviceClip(platform::DeviceRect(clip, canvas.Dpi()));
  control.Paint(canvas);
}

platform::TBitmap RenderControl(TControl& control, bool overParents, std::uint32_t background) {
  platform::TBitmap picture(std::max(control.Width(), 1), std::max(control.Height(), 1),
                            background);
  const TPoint origin = control.FormOrigin();
  if (overParents) {
    std::vector<TControl*> ancestors;
    for (TControl* each = control.Parent(); each; each = each->Parent())
      ancestors.push_back(each);
    if (!ancestors.empty()) {
      if (auto* form = dynamic_cast<TForm*>(ancestors.back()))
        std::fill(picture.Bits(), picture.Bits() + picture.Width() * picture.Height(),
                  form->Color());
    }
    std::reverse(ancestors.begin(), ancestors.end());
    for (TControl* each : ancestors) {
      const TPoint at = each->FormOrigin();
      PaintControl(*each, picture, platform::BaseDpi, {at.X - origin.X, at.Y - origin.Y},
                   picture.Bounds());
    }
  }
  PaintControl(control, picture, platform::BaseDpi, {0, 0}, picture.Bounds());
  return picture;
}

} // namespace controls
