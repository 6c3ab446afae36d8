#include "controls/ControlPainting.h"

#include "controls/Canvas.h"

#include <QImage>
#include <QPainter>

namespace controls {

void PaintControl(TControl& control, platform::TBitmap& bitmap, int scale, TPoint origin,
                  const platform::TRect& clip) {
  if (bitmap.IsEmpty() || clip.IsEmpty())
    return;
  // The picture's own pixels, drawn on in place.
  QImage image(reinterpret_cast<uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
               bitmap.Stride(), QImage::Format_RGB32);
  QPainter painter(&image);
  painter.scale(scale, scale);
  painter.translate(origin.X, origin.Y);
  painter.setClipRect(clip.Left - origin.X, clip.Top - origin.Y, clip.Width(), clip.Height());
  TCanvas canvas(painter, control.Width(), control.Height());
  control.Paint(canvas);
}

} // namespace controls
