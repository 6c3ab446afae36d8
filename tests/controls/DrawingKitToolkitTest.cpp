// The drawing kit's meeting points with the toolkit: a parent's background, painting a widget
// through a canvas, the palette's colours.
#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/WidgetCanvas.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using namespace controls;

class DrawingKitToolkit : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
  void TearDown() override { SetColorScheme(ColorScheme::Classic); }
};

// A parent that paints a left half red and a right half blue.
class HalfParent : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(0, 0, width() / 2, height(), Qt::red);
    painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Qt::blue);
  }
};

TEST_F(DrawingKitToolkit, ATransparentControlShowsWhatItsParentPaintsUnderIt) {
  HalfParent parent;
  parent.resize(40, 10);
  QWidget child(&parent);
  child.setGeometry(15, 2, 10, 6);
  QImage image(10, 6, QImage::Format_RGB32);
  image.fill(Qt::green);
  {
    QPainter painter(&image);
    CopyParentBackground(child, painter);
  }
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0)); // parent x 15
  EXPECT_EQ(image.pixel(4, 5), qRgb(255, 0, 0)); // parent x 19
  EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 255)); // parent x 20
  EXPECT_EQ(image.pixel(9, 5), qRgb(0, 0, 255));

  QImage alone(4, 4, QImage::Format_RGB32);
  alone.fill(Qt::green);
  QWidget orphan;
  QPainter painter(&alone);
  CopyParentBackground(orphan, painter);
  EXPECT_EQ(alone.pixel(1, 1), qRgb(0, 255, 0));
}

TEST_F(DrawingKitToolkit, PaintingThroughACanvasKeepsWhatItDoesNotPaint) {
  // A frame painted on a widget's picture at ×1 and ×2: inside it the picture stays.
  for (const int scale : {1, 2}) {
    QImage picture(6 * scale, 4 * scale, QImage::Format_RGB32);
    picture.setDevicePixelRatio(scale);
    picture.fill(QColor(0, 0, 255));
    {
      QPainter painter(&picture);
      PaintThroughCanvas(painter, 6, 4, [](TCanvas& canvas) {
        EXPECT_EQ(canvas.Width(), 6);
        canvas.FrameRect({0, 0, 6, 4}, RGB(255, 0, 0));
      });
    }
    for (int y = 0; y < 4 * scale; ++y)
      for (int x = 0; x < 6 * scale; ++x) {
        const bool frame = x < scale || y < scale || x >= 5 * scale || y >= 3 * scale;
        EXPECT_EQ(picture.pixel(x, y), frame ? qRgb(255, 0, 0) : qRgb(0, 0, 255))
            << "x" << scale << " at " << x << "," << y;
      }
  }
}

TEST_F(DrawingKitToolkit, APaintOfAnExposedPartChangesOnlyThatPart) {
  QImage picture(6, 4, QImage::Format_RGB32);
  const auto fill = [](TCanvas& canvas) { canvas.FillRect({0, 0, 6, 4}, RGB(255, 0, 0)); };
  const auto nothing = [](TCanvas&) {};
  {
    // A whole paint first, so that the kept bitmap holds red everywhere.
    picture.fill(QColor(0, 0, 255));
    QPainter painter(&picture);
    PaintThroughCanvas(painter, 6, 4, fill);
  }
  picture.fill(QColor(0, 0, 255));
  {
    QPainter painter(&picture);
    PaintThroughCanvas(painter, 6, 4, fill, QRect(1, 1, 3, 2));
    // Painting nothing shows nothing of an earlier paint.
    PaintThroughCanvas(painter, 6, 4, nothing, QRect(0, 0, 6, 4));
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool exposed = x >= 1 && x < 4 && y >= 1 && y < 3;
      EXPECT_EQ(picture.pixel(x, y), exposed ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) << x << "," << y;
    }
}

TEST_F(DrawingKitToolkit, ThePaletteSchemeTakesTheApplicationsColours) {
  const QPalette saved = QApplication::palette();
  QPalette palette = saved;
  palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(4, 5, 6));
  QApplication::setPalette(palette);
  SetColorScheme(ColorScheme::Palette);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clGrayText), RGB(4, 5, 6));
  EXPECT_EQ(ColorToRGB(RGB(7, 8, 9)), RGB(7, 8, 9));
  SetColorScheme(ColorScheme::Classic);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  QApplication::setPalette(saved);
}

} // namespace
