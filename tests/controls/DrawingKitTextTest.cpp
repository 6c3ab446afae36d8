// The canvas's text through the platform's text engine, the same on every system.
#include "controls/Canvas.h"
#include "controls/Colors.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

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

// The window's captions, each in the width the canvas gives it: all of its ink is inside, and
// the last letter reaches the right edge.
TEST_F(DrawingKitText, ACaptionFitsTheWidthItIsMeasured) {
  struct Caption {
    const char* text;
    platform::TFontSpec font;
  };
  for (const Caption& caption : {Caption{"Dosya İndirme Sayfası", {"Tahoma", 12, true, false}},
                                 Caption{"Dosya İndirme Sayfası", {"Tahoma", 13, true, false}},
                                 Caption{"Güncelleme Durum Bilgileri", {"Tahoma", 11, true, false}},
                                 Caption{"İndirilen Boyut :", {"Tahoma", 11, false, false}},
                                 Caption{"İndirilen Boyut :", {"Tahoma", 12, true, false}}}) {
    TBitmap image(300, 24, White);
    TCanvas canvas(image);
    const TSize extent = canvas.TextExtent(caption.text, caption.font);
    canvas.DrawText(caption.text, {0, 0, 300, 24}, tfSingleLine, caption.font, clBlack);
    int right = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 300; ++x)
        if (image.Pixel(x, y) != White)
          right = std::max(right, x + 1);
    SCOPED_TRACE(std::string(caption.text) + " " + std::to_string(caption.font.Height) +
                 (caption.font.Bold ? " bold" : "") + ": extent " + std::to_string(extent.Width) +
                 ", ink to " + std::to_string(right));
    EXPECT_LE(right, extent.Width);
    // Short of it by no more than the blank a last ':' keeps on its right.
    EXPECT_GE(right, extent.Width - 2);
  }
}

} // namespace
