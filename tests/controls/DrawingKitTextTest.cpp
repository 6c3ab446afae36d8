#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/WidgetCanvas.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

using namespace controls;
using platform::TBitmap;

constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t Black = 0xFF000000u;

class DrawingKitText : public testing::Test {
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

TEST_F(DrawingKitText, ATransparentControlShowsWhatItsParentPaintsUnderIt) {
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

TEST_F(DrawingKitText, TextIsMeasuredAndDrawnWithPrefixesAndAlignment) {
  const platform::TFontSpec font{"DejaVu Sans", 12, false, false};
  TBitmap image(120, 20, White);
  TCanvas canvas(image);
  const TSize plain = canvas.TextExtent("Vazgeç", font);
  EXPECT_GT(plain.Width, 0);
  const TRect needed =
      canvas.DrawText("&Vazgeç", {0, 0, 120, 20}, tfSingleLine | tfCalcRect, font, clBlack);
  EXPECT_EQ(needed.Width(), plain.Width); // the '&' takes no room
  canvas.DrawText("Vazgeç", {0, 0, 120, 20}, tfRight | tfVCenter | tfSingleLine, font, clBlack);
  int leftmost = 120;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x)
      if (image.Pixel(x, y) != White)
        leftmost = std::min(leftmost, x);
  EXPECT_GE(leftmost, 120 - plain.Width - 2);
  // Nothing but the two colours: no anti-aliasing.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) {
      const std::uint32_t p = image.Pixel(x, y);
      EXPECT_TRUE(p == White || p == Black) << x << "," << y;
    }
}

// "Güncelle" in the window's font, drawn black on white into a 60 x 16 rectangle at (x, y) of
// a canvas whose origin and clip are set by `prepare`.
template <typename Prepare> TBitmap Caption(int x, int y, Prepare prepare) {
  TBitmap image(80, 24, White);
  TCanvas canvas(image);
  prepare(canvas);
  canvas.DrawText("Güncelle", {x, y, x + 60, y + 16}, tfSingleLine | tfVCenter,
                  {"Tahoma", 11, true, false}, clBlack);
  return image;
}

TEST_F(DrawingKitText, TextFollowsTheOriginAndStaysInsideTheClip) {
  const TBitmap plain = Caption(5, 4, [](TCanvas&) {});
  EXPECT_NE(plain, TBitmap(80, 24, White));
  // Moved by the origin: the same picture.
  EXPECT_EQ(Caption(0, 0, [](TCanvas& canvas) { canvas.SetOrigin({5, 4}); }), plain);
  // Clipped at x 50 and with x 30..40 excluded: the same ink elsewhere, none there.
  const TBitmap clipped = Caption(5, 4, [](TCanvas& canvas) {
    canvas.IntersectClip({0, 0, 50, 24});
    canvas.ExcludeClip({30, 0, 40, 24});
  });
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 80; ++x) {
      const bool hidden = x >= 50 || (x >= 30 && x < 40);
      EXPECT_EQ(clipped.Pixel(x, y), hidden ? White : plain.Pixel(x, y)) << x << "," << y;
    }
}

TEST_F(DrawingKitText, PaintingThroughACanvasKeepsWhatItDoesNotPaint) {
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

TEST_F(DrawingKitText, APaintOfAnExposedPartChangesOnlyThatPart) {
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

TEST_F(DrawingKitText, ThePaletteSchemeTakesTheApplicationsColours) {
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
