#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

using namespace controls;

class DrawingKit : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

TEST_F(DrawingKit, HslConversionsFollowThe240Scale) {
  EXPECT_EQ(Hsl240ToRgb(0, 0, 150), RGB(159, 159, 159));
  EXPECT_EQ(Hsl240ToRgb(160, 240, 120), RGB(4, 0, 255)); // the 239 divisor
  EXPECT_EQ(Hsl240ToRgb(0, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(RgbToHsl240(RGB(255, 0, 0)), (THsl{0, 240, 120}));
  EXPECT_EQ(RgbToHsl240(RGB(128, 128, 128)), (THsl{0, 0, 120}));
  EXPECT_EQ(RgbToHsl240(clBtnFace), RgbToHsl240(RGB(212, 208, 200)));
}

TEST_F(DrawingKit, ShadingMixingAndTheirEdges) {
  const std::tuple<TColor, TColor, const char*> cases[] = {
      {ShadeLighter(RGB(128, 128, 128), 30), RGB(159, 159, 159), "lighter"},
      {ShadeDarker(RGB(240, 240, 240), 10), RGB(230, 230, 230), "darker"},
      {ShadeDarker(RGB(212, 208, 200), 10), RGB(203, 198, 188), "darker face"},
      {MixColors(RGB(255, 255, 255), RGB(240, 155, 20), 190), RGB(251, 230, 195), "mix"},
      {ShadeColor(clBtnFace, 0), clBtnFace, "0 keeps a system colour"},
      {ShadeColor(RGB(100, 50, 25), 300), ShadeLighter(RGB(100, 50, 25), 44), "low byte"},
      {ShadeColor(RGB(100, 50, 25), -10), ShadeDarker(RGB(100, 50, 25), 10), "negative"},
      {ShadeLighter(RGB(255, 255, 255), 1), RGB(255, 255, 255), "L 240 lightened"},
      {ShadeLighter(Hsl240ToRgb(80, 120, 240), 15), RGB(255, 255, 255), "past 240"},
      {ShadeDarker(RGB(40, 40, 40), 200), RGB(0, 0, 0), "darkened past 0"},
  };
  for (const auto& [got, expected, what] : cases)
    EXPECT_EQ(got, expected) << what;
  EXPECT_TRUE(AreColorsClose(RGB(200, 0, 0), RGB(180, 10, 10)));
  EXPECT_FALSE(AreColorsClose(RGB(200, 0, 0), RGB(0, 0, 200)));
  EXPECT_EQ(OppositeHueColor(RGB(255, 0, 0), 120), Hsl240ToRgb(120, 240, 120));
}

TEST_F(DrawingKit, SchemeColoursComeFromTheSystemColours) {
  EXPECT_EQ(GetPanelGradientColors(gcsSystem).start, clWindow);
  EXPECT_EQ(GetPanelGradientColors(gcsOffice).stop, RGB(203, 198, 188));
  EXPECT_EQ(GetPanelFrameColor(gcsSystem), ShadeLighter(RGB(128, 128, 128), 30));
  const TBannerColors banner = GetBannerColors(gcsSystem);
  EXPECT_EQ(banner.start, clWindow);
  EXPECT_EQ(banner.stop, ShadeDarker(clBtnFace, 20));
  EXPECT_EQ(banner.frame, ShadeDarker(clBtnFace, 40));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
  EXPECT_EQ(ColorToRGB(cl3DDkShadow), RGB(64, 64, 64));
}

// The red channel of each row (checking that every row is one colour) or of each column.
std::vector<int> Rows(const QImage& image) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb first = image.pixel(0, y);
    for (int x = 1; x < image.width(); ++x) {
      EXPECT_EQ(image.pixel(x, y), first) << "row " << y << " column " << x;
    }
    rows.push_back(qRed(first));
  }
  return rows;
}

std::vector<int> Columns(const QImage& image) {
  std::vector<int> columns;
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 1; y < image.height(); ++y) {
      EXPECT_EQ(image.pixel(x, y), image.pixel(x, 0));
    }
    columns.push_back(qRed(image.pixel(x, 0)));
  }
  return columns;
}

QImage Gradient(int w, int h, TGradientDirection direction, TColor start, TColor stop) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  TCanvas canvas(image);
  DrawGradientRect(canvas, {0, 0, w, h}, direction, start, stop, 1);
  return image;
}

TEST_F(DrawingKit, GradientRunsStartAtTheirFirstColourAndEndOneStepShort) {
  const TColor red = RGB(255, 0, 0), black = RGB(0, 0, 0);
  struct Case {
    int w, h;
    TGradientDirection direction;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {20, 4, gdHorizontalEnd, {191, 127, 63, 0}},
      {20, 5, gdHorizontalCenter, {170, 85, 0, 127, 255}},
      {20, 1, gdHorizontalCenter, {255}},
      {20, 2, gdHorizontalCenter, {127, 255}},
      {3, 30, gdHorizontalEnd, {}},
  };
  for (const Case& c : cases) {
    const std::vector<int> rows = Rows(Gradient(c.w, c.h, c.direction, red, black));
    if (!c.expected.empty()) {
      EXPECT_EQ(rows, c.expected) << c.h;
    }
  }
  EXPECT_EQ(Columns(Gradient(4, 10, gdVerticalEnd, red, black)),
            (std::vector<int>{191, 127, 63, 0}));
  EXPECT_EQ(Columns(Gradient(5, 3, gdVerticalCenter, red, black)),
            (std::vector<int>{170, 85, 0, 127, 255}));
  EXPECT_EQ(Rows(Gradient(409, 48, gdHorizontalEnd, red, red)), std::vector<int>(48, 255));
}

TEST_F(DrawingKit, AVerticalGradientOnPartOfAnImagePaintsOnlyThatPart) {
  // The rectangle reaches the image's bottom edge and starts right of its left edge, so rows
  // copied with the whole image's stride would land outside it and past the image's end.
  const QRgb outside = qRgb(1, 2, 3);
  const TRect rect{3, 2, 9, 12};
  for (const TGradientDirection direction : {gdVerticalEnd, gdVerticalCenter}) {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(outside);
    {
      TCanvas canvas(image);
      DrawGradientRect(canvas, rect, direction, RGB(255, 0, 0), RGB(0, 0, 0));
    }
    const QImage alone = Gradient(6, 10, direction, RGB(255, 0, 0), RGB(0, 0, 0));
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const bool inside = x >= rect.Left && x < rect.Right && y >= rect.Top;
        const QRgb expected = inside ? alone.pixel(x - rect.Left, y - rect.Top) : outside;
        EXPECT_EQ(image.pixel(x, y), expected) << direction << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(DrawingKit, EmptyRectanglesDrawNothing) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  const QImage before = image.copy();
  {
    TCanvas canvas(image);
    DrawGradientRect(canvas, {2, 2, 2, 8}, gdHorizontalEnd, clWhite, clBlack);
    DrawGradientRect(canvas, {2, 2, 8, 2}, gdVerticalCenter, clWhite, clBlack);
  }
  EXPECT_EQ(image, before);
}

TEST_F(DrawingKit, GradientRingPaintsOnlyATwoPixelFrameInFullColour) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  {
    TCanvas canvas(image);
    DrawGradientRing(canvas, {0, 0, 10, 10}, gdVerticalEnd, clWhite, clBlack);
  }
  EXPECT_NE(image.pixel(1, 5), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(2, 5), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(7, 7), qRgb(1, 2, 3));
  EXPECT_NE(image.pixel(8, 8), qRgb(1, 2, 3));

  SetFullColor(false);
  QImage flat(10, 10, QImage::Format_RGB32);
  flat.fill(qRgb(1, 2, 3));
  const QImage before = flat.copy();
  {
    TCanvas canvas(flat);
    DrawGradientRing(canvas, {0, 0, 10, 10}, gdVerticalEnd, clWhite, clBlack);
  }
  SetFullColor(true);
  EXPECT_EQ(flat, before);
}

TEST_F(DrawingKit, EdgeLinesDrawTheNamedSidesAndAlwaysShrink) {
  QImage image(6, 5, QImage::Format_RGB32);
  image.fill(qRgb(9, 9, 9));
  TRect inside;
  {
    TCanvas canvas(image);
    EXPECT_EQ(DrawEdgeLines(canvas, {0, 0, 6, 5}, clNone, clNone, sdAll), (TRect{1, 1, 5, 4}));
    inside = DrawEdgeLines(canvas, {0, 0, 6, 5}, RGB(255, 0, 0), RGB(0, 0, 255), sdLeft | sdBottom);
  }
  EXPECT_EQ(inside, (TRect{1, 0, 6, 4}));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(0, 3), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(3, 4), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(5, 0), qRgb(9, 9, 9)); // no right side
  EXPECT_EQ(image.pixel(3, 0), qRgb(9, 9, 9)); // no top side

  QImage bands(8, 8, QImage::Format_RGB32);
  bands.fill(qRgb(9, 9, 9));
  TCanvas canvas(bands);
  EXPECT_EQ(DrawEdgeBands(canvas, {0, 0, 8, 8}, clBlack, clWhite, 2, sdAll), (TRect{2, 2, 6, 6}));
}

TEST_F(DrawingKit, ControlFramesOfTheWindowsStyles) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(qRgb(9, 9, 9));
  TCanvas canvas(image);
  TFrameParams frame;
  frame.outer = fsNone;
  frame.inner = fsFlat;
  frame.borderWidth = 1;
  frame.borderColor = RGB(0, 255, 0);
  frame.flatColor = RGB(255, 0, 0);
  frame.softInnerFlat = true;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{2, 2, 8, 8}));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(1, 1), qRgb(9, 9, 9)); // the soft inner frame leaves its corners
  EXPECT_EQ(image.pixel(2, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 2), qRgb(255, 0, 0));

  frame.softInnerFlat = false;
  frame.outer = fsFlatBold;
  frame.borderWidth = 0;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{3, 3, 7, 7}));
  frame.outer = fsStatus;
  frame.bevelWidth = 2;
  frame.inner = fsNone;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{2, 2, 8, 8}));
  EXPECT_EQ(image.pixel(0, 0), qRgb(128, 128, 128));
  EXPECT_EQ(image.pixel(9, 9), qRgb(255, 255, 255));
}

TEST_F(DrawingKit, DottedFocusFrameSetsEverySecondPixel) {
  QImage image(6, 5, QImage::Format_RGB32);
  image.fill(qRgb(255, 255, 255));
  {
    TCanvas canvas(image);
    EXPECT_EQ(DrawDottedFocusFrame(canvas, {0, 0, 6, 5}), (TRect{1, 1, 5, 4}));
  }
  const char* rows[] = {".#.#.#", "#....#", "......", "#....#", ".#.#.#"};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(image.pixel(x, y) == qRgb(0, 0, 0), rows[y][x] == '#') << x << "," << y;
    }
  }
}

// A parent that paints a left half red and a right half blue.
class HalfParent : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(0, 0, width() / 2, height(), Qt::red);
    painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Qt::blue);
  }
};

TEST_F(DrawingKit, ATransparentControlShowsWhatItsParentPaintsUnderIt) {
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

TEST_F(DrawingKit, TextIsMeasuredAndDrawnWithPrefixesAndAlignment) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(12);
  QImage image(120, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  TCanvas canvas(image);
  const QSize plain = canvas.TextExtent(QStringLiteral("Vazgeç"), font);
  EXPECT_GT(plain.width(), 0);
  const TRect needed = canvas.DrawText(QStringLiteral("&Vazgeç"), {0, 0, 120, 20},
                                       tfSingleLine | tfCalcRect, font, clBlack);
  EXPECT_EQ(needed.Width(), plain.width()); // the '&' takes no room
  canvas.DrawText(QStringLiteral("Vazgeç"), {0, 0, 120, 20}, tfRight | tfVCenter | tfSingleLine,
                  font, clBlack);
  int leftmost = 120;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255))
        leftmost = std::min(leftmost, x);
  EXPECT_GE(leftmost, 120 - plain.width() - 2);
  // Nothing but the two colours: no anti-aliasing.
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x) {
      const QRgb p = image.pixel(x, y);
      EXPECT_TRUE(p == qRgb(255, 255, 255) || p == qRgb(0, 0, 0)) << x << "," << y;
    }
}

TEST_F(DrawingKit, StripAcceleratorsKeepsDoubledAndTrailingAmpersands) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Güncelle", "Güncelle"}, {"Vazgeç", "Vazgeç"}, {"A && B", "A & B"},
      {"end&", "end&"},          {"&&&x", "&x"},       {"", ""},
  };
  for (const auto& [text, stripped] : cases)
    EXPECT_EQ(StripAccelerators(QString::fromUtf8(text)), QString::fromUtf8(stripped)) << text;
}

} // namespace
