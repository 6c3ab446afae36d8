#include "controls/WidgetCanvas.h"

#include "platform/posix/QtTextEngine.h"

#include <QPaintDevice>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace controls {

QColor ToQColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

platform::TFontSpec FontSpec(const QFont& font) {
  return platform::ToFontSpec(font);
}

QImage BitmapImage(platform::TBitmap& bitmap) {
  return QImage(reinterpret_cast<uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
                bitmap.Stride(), QImage::Format_RGB32);
}

void CopyParentBackground(const QWidget& control, QPainter& painter) {
  QWidget* parent = control.parentWidget();
  if (!parent)
    return;
  painter.save();
  const QRegion parentArea(0, 0, parent->width(), parent->height());
  // The parent's background and its own painting, without its children (this control among
  // them), placed so that the parent's coordinates land under the control.
  parent->render(&painter, -control.pos(), parentArea, QWidget::DrawWindowBackground);
  painter.restore();
}

void PaintThroughCanvas(QPainter& painter, int width, int height,
                        const std::function<void(TCanvas&)>& paint, QRect exposed) {
  QRect area(0, 0, width, height);
  if (!exposed.isNull())
    area &= exposed;
  if (area.isEmpty())
    return;
  const QPaintDevice* device = painter.device();
  const int scale =
      std::max(1, static_cast<int>(std::lround(device ? device->devicePixelRatioF() : 1.0)));
  // The bitmap starts fully transparent (alpha 0) and the canvas paints opaque pixels, so laid
  // over the painter's picture it changes exactly the pixels the control painted. Bitmaps are
  // kept for the next paint (one per nesting level), which spares the fresh memory's cost.
  thread_local std::vector<std::unique_ptr<platform::TBitmap>> bitmaps;
  thread_local std::size_t depth = 0;
  if (bitmaps.size() <= depth)
    bitmaps.push_back(std::make_unique<platform::TBitmap>());
  platform::TBitmap& bitmap = *bitmaps[depth];
  const QRect pixels(area.topLeft() * scale, area.size() * scale);
  if (bitmap.Width() != width * scale || bitmap.Height() != height * scale) {
    bitmap.Reset(width * scale, height * scale, 0u);
  } else {
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
      std::fill_n(bitmap.Row(y) + pixels.left(), pixels.width(), 0u);
  }
  struct Nesting {
    std::size_t& depth;
    ~Nesting() { --depth; }
  } nesting{++depth};
  TCanvas canvas(bitmap, scale);
  canvas.IntersectClip(
      {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()});
  paint(canvas);
  QImage image(reinterpret_cast<const uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
               bitmap.Stride(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  painter.drawImage(area, image, pixels);
}

} // namespace controls
