#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace controls;
using platform::TBitmap;

constexpr std::uint32_t Rgb(int red, int green, int blue) {
  return 0xFF000000u | static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
}

int Red(std::uint32_t pixel) {
  return static_cast<int>((pixel >> 16) & 0xFF);
}

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
std::vector<int> Rows(const TBitmap& image) {
  std::vector<int> rows;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint32_t first = image.Pixel(0, y);
    for (int x = 1; x < image.Width(); ++x) {
      EXPECT_EQ(image.Pixel(x, y), first) << "row " << y << " column " << x;
    }
    rows.push_back(Red(first));
  }
  return rows;
}

std::vector<int> Columns(const TBitmap& image) {
  std::vector<int> columns;
  for (int x = 0; x < image.Width(); ++x) {
    for (int y = 1; y < image.Height(); ++y) {
      EXPECT_EQ(image.Pixel(x, y), image.Pixel(x, 0));
    }
    columns.push_back(Red(image.Pixel(x, 0)));
  }
  return columns;
}

TBitmap Gradient(int w, int h, TGradientDirection direction, TColor start, TColor stop) {
  TBitmap image(w, h, Rgb(1, 2, 3));
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
  const std::uint32_t outside = Rgb(1, 2, 3);
  const TRect rect{3, 2, 9, 12};
  for (const TGradientDirection direction : {gdVerticalEnd, gdVerticalCenter}) {
    TBitmap image(12, 12, outside);
    {
      TCanvas canvas(image);
      DrawGradientRect(canvas, rect, direction, RGB(255, 0, 0), RGB(0, 0, 0));
    }
    const TBitmap alone = Gradient(6, 10, direction, RGB(255, 0, 0), RGB(0, 0, 0));
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        const bool inside = x >= rect.Left && x < rect.Right && y >= rect.Top;
        const std::uint32_t expected = inside ? alone.Pixel(x - rect.Left, y - rect.Top) : outside;
        EXPECT_EQ(image.Pixel(x, y), expected) << direction << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(DrawingKit, EmptyRectanglesDrawNothing) {
  TBitmap image(10, 10, Rgb(1, 2, 3));
  const TBitmap before = image;
  {
    TCanvas canvas(image);
    DrawGradientRect(canvas, {2, 2, 2, 8}, gdHorizontalEnd, clWhite, clBlack);
    DrawGradientRect(canvas, {2, 2, 8, 2}, gdVerticalCenter, clWhite, clBlack);
  }
  EXPECT_EQ(image, before);
}

TEST_F(DrawingKit, GradientRingPaintsOnlyATwoPixelFrameInFullColour) {
  TBitmap image(10, 10, Rgb(1, 2, 3));
  {
    TCanvas canvas(image);
    DrawGradientRing(canvas, {0, 0, 10, 10}, gdVerticalEnd, clWhite, clBlack);
  }
  EXPECT_NE(image.Pixel(1, 5), Rgb(1, 2, 3));
  EXPECT_EQ(image.Pixel(2, 5), Rgb(1, 2, 3));
  EXPECT_EQ(image.Pixel(7, 7), Rgb(1, 2, 3));
  EXPECT_NE(image.Pixel(8, 8), Rgb(1, 2, 3));

  SetFullColor(false);
  TBitmap flat(10, 10, Rgb(1, 2, 3));
  const TBitmap before = flat;
  {
    TCanvas canvas(flat);
    DrawGradientRing(canvas, {0, 0, 10, 10}, gdVerticalEnd, clWhite, clBlack);
  }
  SetFullColor(true);
  EXPECT_EQ(flat, before);
}

TEST_F(DrawingKit, EdgeLinesDrawTheNamedSidesAndAlwaysShrink) {
  TBitmap image(6, 5, Rgb(9, 9, 9));
  TRect inside;
  {
    TCanvas canvas(image);
    EXPECT_EQ(DrawEdgeLines(canvas, {0, 0, 6, 5}, clNone, clNone, sdAll), (TRect{1, 1, 5, 4}));
    inside = DrawEdgeLines(canvas, {0, 0, 6, 5}, RGB(255, 0, 0), RGB(0, 0, 255), sdLeft | sdBottom);
  }
  EXPECT_EQ(inside, (TRect{1, 0, 6, 4}));
  EXPECT_EQ(image.Pixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(image.Pixel(0, 3), Rgb(255, 0, 0));
  EXPECT_EQ(image.Pixel(3, 4), Rgb(0, 0, 255));
  EXPECT_EQ(image.Pixel(5, 0), Rgb(9, 9, 9)); // no right side
  EXPECT_EQ(image.Pixel(3, 0), Rgb(9, 9, 9)); // no top side

  TBitmap bands(8, 8, Rgb(9, 9, 9));
  TCanvas canvas(bands);
  EXPECT_EQ(DrawEdgeBands(canvas, {0, 0, 8, 8}, clBlack, clWhite, 2, sdAll), (TRect{2, 2, 6, 6}));
}

TEST_F(DrawingKit, ControlFramesOfTheWindowsStyles) {
  TBitmap image(10, 10, Rgb(9, 9, 9));
  TCanvas canvas(image);
  TFrameParams frame;
  frame.outer = fsNone;
  frame.inner = fsFlat;
  frame.borderWidth = 1;
  frame.borderColor = RGB(0, 255, 0);
  frame.flatColor = RGB(255, 0, 0);
  frame.softInnerFlat = true;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{2, 2, 8, 8}));
  EXPECT_EQ(image.Pixel(0, 0), Rgb(0, 255, 0));
  EXPECT_EQ(image.Pixel(1, 1), Rgb(9, 9, 9)); // the soft inner frame leaves its corners
  EXPECT_EQ(image.Pixel(2, 1), Rgb(255, 0, 0));
  EXPECT_EQ(image.Pixel(1, 2), Rgb(255, 0, 0));

  frame.softInnerFlat = false;
  frame.outer = fsFlatBold;
  frame.borderWidth = 0;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{3, 3, 7, 7}));
  frame.outer = fsStatus;
  frame.bevelWidth = 2;
  frame.inner = fsNone;
  EXPECT_EQ(DrawControlFrame(canvas, {0, 0, 10, 10}, frame), (TRect{2, 2, 8, 8}));
  EXPECT_EQ(image.Pixel(0, 0), Rgb(128, 128, 128));
  EXPECT_EQ(image.Pixel(9, 9), Rgb(255, 255, 255));
}

TEST_F(DrawingKit, DottedFocusFrameSetsEverySecondPixel) {
  TBitmap image(6, 5, Rgb(255, 255, 255));
  {
    TCanvas canvas(image);
    EXPECT_EQ(DrawDottedFocusFrame(canvas, {0, 0, 6, 5}), (TRect{1, 1, 5, 4}));
  }
  const char* rows[] = {".#.#.#", "#....#", "......", "#....#", ".#.#.#"};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(image.Pixel(x, y) == Rgb(0, 0, 0), rows[y][x] == '#') << x << "," << y;
    }
  }
}

// The picture row by row: '.' for the background, 'R' red, 'B' blue, 'G' green, '?' other.
std::vector<std::string> Art(const TBitmap& image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.Height(); ++y) {
    std::string row;
    for (int x = 0; x < image.Width(); ++x) {
      const std::uint32_t p = image.Pixel(x, y);
      row += p == Rgb(9, 9, 9)     ? '.'
             : p == Rgb(255, 0, 0) ? 'R'
             : p == Rgb(0, 0, 255) ? 'B'
             : p == Rgb(0, 255, 0) ? 'G'
                                   : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST_F(DrawingKit, AtScaleTwoEveryPixelCoversTwoByTwo) {
  TBitmap image(8, 6, Rgb(9, 9, 9));
  TCanvas canvas(image, 192);
  EXPECT_EQ(canvas.Width(), 4);
  EXPECT_EQ(canvas.Height(), 3);
  canvas.Pixel(0, 0, RGB(255, 0, 0));
  canvas.Line(1, 2, 4, 2, RGB(0, 0, 255)); // the end pixel is left out
  TBitmap picture(2, 1);
  picture.SetPixel(0, 0, Rgb(0, 255, 0));
  picture.SetPixel(1, 0, Rgb(255, 0, 0));
  canvas.Draw(2, 0, picture);
  EXPECT_EQ(Art(image), (std::vector<std::string>{"RR..GGRR", "RR..GGRR", "........", "........",
                                                  "..BBBBBB", "..BBBBBB"}));
}

TEST_F(DrawingKit, PaintingOutsideTheBitmapIsCutAtItsEdges) {
  // Each call reaches past an edge: nothing is written outside the bitmap's pixels.
  TBitmap image(4, 3, Rgb(9, 9, 9));
  TCanvas canvas(image);
  canvas.FillRect({-5, -5, 1, 100}, RGB(255, 0, 0));
  canvas.Line(3, -10, 3, 10, RGB(0, 0, 255));
  canvas.Pixel(4, 0, RGB(0, 255, 0));
  canvas.Pixel(-1, 2, RGB(0, 255, 0));
  const TBitmap picture(3, 3, Rgb(0, 255, 0));
  canvas.Draw(2, 2, picture);
  canvas.Draw(-2, -2, picture);
  EXPECT_EQ(Art(image), (std::vector<std::string>{"G..B", "R..B", "R.GG"}));
}

TEST_F(DrawingKit, AChildIsPaintedAtItsOriginInsideItsClip) {
  TBitmap image(8, 4, Rgb(9, 9, 9));
  TCanvas canvas(image);
  const TCanvas::TState window = canvas.Save();
  canvas.SetOrigin({2, 1});
  canvas.IntersectClip({0, 0, 3, 2});
  // The child fills more than its bounds: only its 3 x 2 pixels at (2, 1) change.
  canvas.FillRect({-1, -1, 10, 10}, RGB(255, 0, 0));
  canvas.Pixel(0, 0, RGB(0, 0, 255));
  canvas.Restore(window);
  canvas.Pixel(0, 0, RGB(0, 255, 0));
  canvas.FillRect({7, 3, 8, 4}, RGB(0, 255, 0));
  EXPECT_EQ(Art(image), (std::vector<std::string>{"G.......", "..BRR...", "..RRR...", ".......G"}));
}

TEST_F(DrawingKit, ExcludedPartsStayUntilClearClipButTheClipRectangleStays) {
  TBitmap image(6, 4, Rgb(9, 9, 9));
  TCanvas canvas(image);
  canvas.IntersectClip({0, 0, 5, 4});
  canvas.ExcludeClip({1, 1, 3, 3});
  canvas.ExcludeClip({2, 0, 4, 2}); // overlaps the first
  canvas.FillRect({0, 0, 6, 4}, RGB(255, 0, 0));
  canvas.ClearClip();
  canvas.Pixel(2, 2, RGB(0, 0, 255));
  canvas.Pixel(5, 0, RGB(0, 0, 255)); // outside the clip rectangle
  EXPECT_EQ(Art(image), (std::vector<std::string>{"RR..R.", "R...R.", "R.BRR.", "RRRRR."}));
}

TEST_F(DrawingKit, AGradientInAClippedOrScaledCanvasIsTheSamePicture) {
  const TBitmap alone = Gradient(6, 4, gdVerticalCenter, RGB(255, 0, 0), RGB(0, 0, 0));
  // At ×2, moved by an origin and with a part excluded, the gradient keeps its colours.
  TBitmap image(20, 12, Rgb(9, 9, 9));
  TCanvas canvas(image, 192);
  canvas.SetOrigin({3, 1});
  canvas.ExcludeClip({0, 0, 1, 1});
  DrawGradientRect(canvas, {0, 0, 6, 4}, gdVerticalCenter, RGB(255, 0, 0), RGB(0, 0, 0));
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const int gx = x / 2 - 3, gy = y / 2 - 1;
      const bool painted = gx >= 0 && gx < 6 && gy >= 0 && gy < 4 && !(gx == 0 && gy == 0);
      EXPECT_EQ(image.Pixel(x, y), painted ? alone.Pixel(gx, gy) : Rgb(9, 9, 9)) << x << "," << y;
    }
  }
}

TEST_F(DrawingKit, StripAcceleratorsKeepsDoubledAndTrailingAmpersands) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Güncelle", "Güncelle"}, {"Vazgeç", "Vazgeç"}, {"A && B", "A & B"},
      {"end&", "end&"},          {"&&&x", "&x"},       {"", ""},
      {"&İptal", "İptal"},       {"Ara&ş", "Araş"},    {"ğ&", "ğ&"},
  };
  for (const auto& [text, stripped] : cases)
    EXPECT_EQ(StripAccelerators(text), stripped) << text;
}

TEST_F(DrawingKit, TheAcceleratorOfACaptionIsItsLetterInOneCase) {
  const std::pair<const char*, char32_t> cases[] = {
      {"&Güncelle", U'G'},
      {"Vaz&geç", U'G'},
      {"&Çık", U'Ç'},
      {"&çık", U'Ç'},
      {"Ara&ş", U'Ş'},
      {"&ğ", U'Ğ'},
      {"&Öğe", U'Ö'},
      {"&ı", U'I'}, // the dotless i, the dotted İ and i are one accelerator
      {"&İptal", U'I'},
      {"&iptal", U'I'},
      {"&ÿ", U'Ÿ'},
      {"&2", U'2'},
      {"&&Çık", 0},
      {"A&&B&c", U'C'},
      {"&-", 0},
      {"&×", 0},
      {"&€", 0},
      {"&", 0},
      {"&\xC3", 0}, // a letter cut off
      {"", 0},
  };
  for (const auto& [caption, accelerator] : cases)
    EXPECT_EQ(AcceleratorOf(caption), accelerator) << caption;
}

TEST_F(DrawingKit, AcceleratorFoldTakesLatinLettersToUpperCase) {
  const std::pair<char32_t, char32_t> cases[] = {
      {U'a', U'A'}, {U'Z', U'Z'}, {U'ü', U'Ü'}, {U'Ü', U'Ü'}, {U'þ', U'Þ'}, {U'÷', U'÷'},
      {U'ß', U'ß'}, {U'µ', U'µ'}, {U'ā', U'Ā'}, {U'ğ', U'Ğ'}, {U'ĺ', U'Ĺ'}, {U'ň', U'Ň'},
      {U'ŋ', U'Ŋ'}, {U'ş', U'Ş'}, {U'ž', U'Ž'}, {U'Ž', U'Ž'}, {U'ĸ', U'ĸ'}, {U'ŉ', U'ŉ'},
      {U'ſ', U'S'}, {U'ı', U'I'}, {U'İ', U'I'}, {U'i', U'I'}, {U'ƀ', U'ƀ'}, {U'1', U'1'},
  };
  for (const auto& [point, folded] : cases)
    EXPECT_EQ(AcceleratorFold(point), folded) << static_cast<unsigned>(point);
}

} // namespace
