#pragma once

// Where the kit meets the QWidget controls: their colours, fonts and pictures as the toolkit
// has them, and their paint events drawn through a TCanvas.

#include "controls/Canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <functional>

class QPainter;
class QWidget;

namespace controls {

QColor ToQColor(TColor color);

// The kit's name for a toolkit font.
platform::TFontSpec FontSpec(const QFont& font);

// A 32-bit RGB image over the bitmap's pixels, without a copy: valid while the bitmap lives and
// keeps its size.
QImage BitmapImage(platform::TBitmap& bitmap);

// Paints the parent's background and its own painting (not its children) under a transparent
// control, so that the control can draw on top of what the parent shows there.
void CopyParentBackground(const QWidget& control, QPainter& painter);

// Paints `width` x `height` pixels on `painter` through a TCanvas at the painter's device scale:
// what `paint` draws covers what the painter shows, and every pixel it leaves alone stays as
// the painter had it. With an `exposed` rectangle (a paint event's) only that part is painted.
void PaintThroughCanvas(QPainter& painter, int width, int height,
                        const std::function<void(TCanvas&)>& paint, QRect exposed = QRect());

} // namespace controls
