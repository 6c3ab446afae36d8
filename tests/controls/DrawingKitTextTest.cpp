#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/ControlPainting.h"
#include "controls/TControl.h"

#include <QApplication>
#include <QPalette>
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
class HalfParent : public TControl {
protected:
  void Paint(TCanvas& canvas) override {
    canvas.FillRect({0, 0, Width() / 2, Height()}, RGB(255, 0, 0));
    canvas.FillRect({Width() / 2, 0, Width(), Height()}, RGB(0, 0, 255));
  }
};

TEST_F(DrawingKitText, AControlsPictureOverItsParentsShowsWhatTheParentPaintsUnderIt) {
  constexpr std::uint32_t Green = 0xFF00FF00u;
  HalfParent parent;
  parent.SetBounds(0, 0, 40, 10);
  TControl& child = parent.AddControl<TControl>();
  child.SetBounds(15, 2, 10, 6);
  const TBitmap image = RenderControl(child, true, Green);
  EXPECT_EQ(image.Pixel(0, 0), 0xFFFF0000u); // parent x 15
  EXPECT_EQ(image.Pixel(4, 5), 0xFFFF0000u); // parent x 19
  EXPECT_EQ(image.Pixel(5, 0), 0xFF0000FFu); // parent x 20
  EXPECT_EQ(image.Pixel(9, 5), 0xFF0000FFu);
  EXPECT_EQ(RenderControl(child, false, Green).Pixel(0, 0), Green);

  TControl orphan;
  orphan.SetBounds(0, 0, 4, 4);
  EXPECT_EQ(RenderControl(orphan, true, Green).Pixel(1, 1), Green);
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
