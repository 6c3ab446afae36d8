// The mapping of layout pixels to device pixels at the display scales, and the canvas painting
// through it: edges that meet stay met, one-pixel lines are one pen wide, frames keep their
// bands, and text and gradients are made at the device's resolution.
#include "platform/DeviceScale.h"

#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace controls;
using platform::TBitmap;

constexpr std::uint32_t Grey = 0xFF808080u;
constexpr std::uint32_t White = 0xFFFFFFFFu;

// The nearest device pixel of a layout edge, halves up, computed apart from the kit.
int Nearest(int edge, int dpi) {
  return static_cast<int>(std::floor(edge * dpi / 96.0 + 0.5));
}

struct Scale {
  int dpi;
  int pen;                // a one-pixel line's device pixels
  platform::TSize window; // the 409 x 305 client area in device pixels
};

const Scale Scales[] = {
    {96, 1, {409, 305}},  {120, 1, {511, 381}}, {144, 1, {614, 458}},
    {168, 1, {716, 534}}, {192, 2, {818, 610}},
};

// The window's own edges along one axis, as its controls meet: panel, group boxes, bevel,
// buttons.
const int Edges[] = {0, 7, 13, 22, 38, 48, 57, 114, 162, 178, 249, 305, 381, 409};

class DeviceScale : public testing::TestWithParam<Scale> {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

TEST_P(DeviceScale, EdgesMapToTheNearestDevicePixelAndAdjacentRectanglesMeet) {
  const Scale scale = GetParam();
  EXPECT_EQ(platform::PenWidth(scale.dpi), scale.pen);
  EXPECT_EQ(platform::DeviceSize({409, 305}, scale.dpi), scale.window);
  EXPECT_EQ(platform::LayoutSize(scale.window, scale.dpi), (platform::TSize{409, 305}));
  for (std::size_t i = 0; i + 1 < std::size(Edges); ++i) {
    const platform::TRect left{Edges[i], 0, Edges[i + 1], 10};
    const platform::TRect right{Edges[i + 1], 0, Edges[i + 1] + 5, 10};
    const platform::TRect a = platform::DeviceRect(left, scale.dpi);
    const platform::TRect b = platform::DeviceRect(right, scale.dpi);
    EXPECT_EQ(a.Left, Nearest(Edges[i], scale.dpi)) << Edges[i];
    EXPECT_EQ(a.Right, b.Left) << "the rectangles that meet at " << Edges[i + 1];
    // A width is its scaled length, less than a device pixel off wherever it lies.
    const double exact = left.Width() * scale.dpi / 96.0;
    EXPECT_LT(std::abs(a.Width() - exact), 1.0) << left.Width();
    EXPECT_LT(std::abs(platform::DeviceRect(left.Offset(1, 0), scale.dpi).Width() - exact), 1.0);
  }
  // A device pixel belongs to the layout pixel whose device pixels hold it.
  for (int x = 0; x < 40; ++x) {
    const int layout = platform::LayoutPosition(x, scale.dpi);
    EXPECT_LE(platform::DeviceEdge(layout, scale.dpi), x) << x;
    EXPECT_GT(platform::DeviceEdge(layout + 1, scale.dpi), x) << x;
  }
}

// The colours of one row of device pixels, as runs: each colour and how many pixels it covers.
std::vector<std::pair<std::uint32_t, int>> Runs(const TBitmap& image, int y, int from, int to) {
  std::vector<std::pair<std::uint32_t, int>> runs;
  for (int x = from; x < to; ++x) {
    if (!runs.empty() && runs.back().first == image.Pixel(x, y))
      ++runs.back().second;
    else
      runs.push_back({image.Pixel(x, y), 1});
  }
  return runs;
}

TEST_P(DeviceScale, AControlsFrameBandsAreOnePenEachAndMeetItsFill) {
  const Scale scale = GetParam();
  TBitmap image(200, 120, Grey);
  TCanvas canvas(image, scale.dpi);
  // A control of 41 x 21 at (3, 5): two bands of a frame and its face.
  canvas.SetOrigin({3, 5});
  canvas.SetExtent({41, 21});
  TRect r{0, 0, 41, 21};
  r = DrawEdgeLines(canvas, r, RGB(255, 0, 0), RGB(0, 255, 0), sdAll);
  r = DrawEdgeLines(canvas, r, RGB(0, 0, 255), RGB(255, 255, 0), sdAll);
  canvas.FillRect(r, clWhite);
  const int left = Nearest(3, scale.dpi), right = Nearest(44, scale.dpi);
  const int row = Nearest(15, scale.dpi);
  const std::vector<std::pair<std::uint32_t, int>> expected = {
      {Grey, left},
      {ToPixel(RGB(255, 0, 0)), scale.pen},
      {ToPixel(RGB(0, 0, 255)), scale.pen},
      {White, right - left - 4 * scale.pen},
      {ToPixel(RGB(255, 255, 0)), scale.pen},
      {ToPixel(RGB(0, 255, 0)), scale.pen},
      {Grey, 200 - right},
  };
  EXPECT_EQ(Runs(image, row, 0, 200), expected);
}

TEST_P(DeviceScale, OneLineIsOnePenWideAnywhereInAControl) {
  const Scale scale = GetParam();
  // A control of 60 x 30 at (1, 1); each line across it is counted where it crosses the
  // middle of the control.
  const auto blackPixels = [&](bool horizontal, int at) {
    TBitmap image(160, 80, Grey);
    TCanvas canvas(image, scale.dpi);
    canvas.SetOrigin({1, 1});
    canvas.SetExtent({60, 30});
    if (horizontal)
      canvas.Line(2, at, 50, at, clBlack);
    else
      canvas.Line(at, 0, at, 30, clBlack);
    int count = 0;
    for (int i = 0; i < (horizontal ? image.Height() : image.Width()); ++i) {
      const int x = horizontal ? Nearest(21, scale.dpi) : i;
      const int y = horizontal ? i : Nearest(16, scale.dpi);
      count += image.Pixel(x, y) == 0xFF000000u;
    }
    return count;
  };
  for (int y = 0; y < 30; ++y)
    EXPECT_EQ(blackPixels(true, y), scale.pen) << "horizontal line at " << y;
  for (int x = 0; x < 60; ++x)
    EXPECT_EQ(blackPixels(false, x), scale.pen) << "vertical line at " << x;
}

TEST_P(DeviceScale, TextIsDrawnAtTheScaledFontSizeNotStretched) {
  const Scale scale = GetParam();
  const platform::TFontSpec font{"Tahoma", 12, false, false};
  const TRect rect{0, 0, 150, 13};
  TBitmap scaled(300, 40, White);
  TCanvas canvas(scaled, scale.dpi);
  canvas.DrawText("Dosya Boyutu : 1025 Kb", rect, tfLeft | tfNoPrefix, font, clBlack);
  // The same text in the font of the scaled size on a canvas of one device pixel per pixel,
  // in the device rectangle: the scaled size, less where the font's line grows faster.
  TBitmap direct(300, 40, White);
  TCanvas plain(direct);
  plain.DrawText("Dosya Boyutu : 1025 Kb", platform::DeviceRect(rect, scale.dpi),
                 tfLeft | tfNoPrefix, platform::TextEngine().DeviceFont(font, scale.dpi), clBlack);
  EXPECT_EQ(scaled, direct);
  const int size = platform::TextEngine().DeviceFont(font, scale.dpi).Height;
  EXPECT_LE(size, Nearest(12, scale.dpi));
  EXPECT_GE(size, Nearest(12, scale.dpi) - 1);
  // Its line fits in the layout's line scaled, rounded down.
  EXPECT_LE(platform::TextEngine().Metrics({"Tahoma", size, false, false}).Height,
            platform::TextEngine().Metrics(font).Height * scale.dpi / 96);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 300; ++x)
      inked += scaled.Pixel(x, y) != White;
  EXPECT_GT(inked, 100);
}

TEST_P(DeviceScale, AGradientIsComputedForEachDevicePixel) {
  const Scale scale = GetParam();
  if (scale.dpi % 96 == 0)
    GTEST_SKIP() << "whole scales keep the layout's gradient, each pixel scale x scale";
  TBitmap image(200, 20, Grey);
  TCanvas canvas(image, scale.dpi);
  // Red from 0 to 240 along 60 pixels of the layout: a stretched picture would repeat columns.
  DrawGradientRect(canvas, {0, 0, 60, 4}, gdVerticalEnd, RGB(0, 0, 0), RGB(240, 0, 0));
  const int width = Nearest(60, scale.dpi);
  int previous = -1;
  for (int x = 0; x < width; ++x) {
    const int red = static_cast<int>((image.Pixel(x, 1) >> 16) & 0xFF);
    EXPECT_GT(red, previous) << "column " << x;
    previous = red;
  }
  EXPECT_EQ(image.Pixel(width, 1), Grey);
}

INSTANTIATE_TEST_SUITE_P(Dpi, DeviceScale, testing::ValuesIn(Scales),
                         [](const testing::TestParamInfo<Scale>& info) {
                           return "Dpi" + std::to_string(info.param.dpi);
                         });

} // namespace
