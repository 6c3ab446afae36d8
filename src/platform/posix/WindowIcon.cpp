#include "platform/posix/WindowIcon.h"

#include "platform/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdint>

namespace platform {

QImage IconImage(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, size >= 32);
  p.scale(size / 256.0, size / 256.0);

  // Antenna.
  p.setPen(QPen(QColor(90, 90, 100), 10, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(70, 96), QPointF(150, 22));
  p.setBrush(QColor(90, 90, 100));
  p.drawEllipse(QPointF(150, 22), 10, 10);

  // The body.
  QLinearGradient body(0, 90, 0, 236);
  body.setColorAt(0, QColor(214, 92, 46));
  body.setColorAt(1, QColor(150, 50, 24));
  p.setPen(QPen(QColor(90, 30, 14), 6));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(14, 92, 228, 140), 26, 26);

  // Speaker grille and tuning dial.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(245, 230, 200));
  p.drawEllipse(QPointF(78, 162), 46, 46);
  bool dark = true;
  for (int ring : {34, 26, 18, 10}) {
    p.setBrush(dark ? QColor(120, 40, 20) : QColor(245, 230, 200));
    p.drawEllipse(QPointF(78, 162), ring, ring);
    dark = !dark;
  }
  p.setBrush(QColor(245, 230, 200));
  p.drawRoundedRect(QRectF(142, 120, 80, 30), 8, 8);
  p.setPen(QPen(QColor(200, 40, 30), 4));
  p.drawLine(QPointF(178, 124), QPointF(178, 146));

  // The download arrow, over the lower right.
  QPainterPath arrow;
  arrow.moveTo(166, 158);
  arrow.lineTo(206, 158);
  arrow.lineTo(206, 196);
  arrow.lineTo(232, 196);
  arrow.lineTo(186, 246);
  arrow.lineTo(140, 196);
  arrow.lineTo(166, 196);
  arrow.closeSubpath();
  p.setPen(QPen(QColor(20, 80, 20), 6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  QLinearGradient green(0, 158, 0, 246);
  green.setColorAt(0, QColor(110, 210, 90));
  green.setColorAt(1, QColor(40, 150, 40));
  p.setBrush(green);
  p.drawPath(arrow);
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {256, 128, 48, 32, 16})
    icon.addPixmap(QPixmap::fromImage(IconImage(size)));
  return icon;
}

TBitmap ProgramIconBitmap(int size) {
  const QImage image = IconImage(size);
  TBitmap bitmap(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::copy(row, row + image.width(), bitmap.Row(y));
  }
  return bitmap;
}

std::vector<TBitmap> ProgramIconSizes() {
  std::vector<TBitmap> sizes;
  for (int size : {256, 128, 48, 32, 16})
    sizes.push_back(ProgramIconBitmap(size));
  return sizes;
}

} // namespace platform
