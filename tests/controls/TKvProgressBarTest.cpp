#include "controls/TKvProgressBar.h"

#include "app/WindowControls.h"
#include "controls/TForm.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;

// Counts its paints.
class CountingBar : public TKvProgressBar {
public:
  int paints = 0;
  std::vector<int> changes;
  CountingBar() {
    OnChange = [this](TKvCustomProgressBar*, int percent) { changes.push_back(percent); };
  }

protected:
  void Paint(TCanvas& canvas) override {
    ++paints;
    TKvProgressBar::Paint(canvas);
  }
};

std::uint32_t Rgb(int r, int g, int b) {
  return ToPixel(RGB(r, g, b));
}

class ProgressBar : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

TEST_F(ProgressBar, PartsAndPercentFollowTheirContract) {
  CountingBar bar;
  bar.SetPartsComplete(500); // no total: stored as 0, percent kept
  EXPECT_EQ(bar.PartsComplete(), 0u);
  EXPECT_EQ(bar.Percent(), 0);

  bar.SetTotalParts(8);
  const std::pair<std::uint32_t, int> cases[] = {{1, 12}, {3, 38}, {4, 50}, {8, 100}};
  for (const auto& [parts, percent] : cases) {
    bar.SetPartsComplete(parts);
    EXPECT_EQ(bar.Percent(), percent) << parts;
  }
  bar.SetPartsComplete(9);
  EXPECT_EQ(bar.PartsComplete(), 8u);
  bar.SetPartsComplete(static_cast<std::uint32_t>(-1));
  EXPECT_EQ(bar.PartsComplete(), 8u);
  EXPECT_EQ(bar.changes, (std::vector<int>{12, 38, 50, 100}));

  bar.SetTotalParts(8); // the same total again changes nothing
  EXPECT_EQ(bar.PartsComplete(), 8u);
  EXPECT_EQ(bar.Percent(), 100);
  bar.SetTotalParts(1000); // a new total starts over
  EXPECT_EQ(bar.PartsComplete(), 0u);
  EXPECT_EQ(bar.Percent(), 0);
  EXPECT_EQ(bar.changes.back(), 0);
  const std::size_t changes = bar.changes.size();
  bar.SetTotalParts(2000); // already at 0 %: no change event
  EXPECT_EQ(bar.changes.size(), changes);

  bar.SetPercent(150);
  EXPECT_EQ(bar.Percent(), 150);
  bar.SetPercent(65536);
  EXPECT_EQ(bar.Percent(), 0);
}

TEST_F(ProgressBar, StyleSideEffectsAndOrientationFromTheShape) {
  TKvProgressBar bar;
  bar.SetBarStyle(bsLED);
  EXPECT_FALSE(bar.ShowPercent());
  EXPECT_EQ(bar.InteriorOffset(), 1);
  bar.SetBarStyle(bsGradient);
  EXPECT_TRUE(bar.ShowPercent());
  EXPECT_EQ(bar.InteriorOffset(), 0);
  bar.SetBounds(0, 0, 20, 100);
  EXPECT_EQ(bar.Orientation(), orVertical);
  bar.SetBounds(0, 0, 30, 30);
  EXPECT_EQ(bar.Orientation(), orHorizontal);
}

TEST_F(ProgressBar, TheMainWindowsBarAtHalfWay) {
  TKvProgressBar bar;
  app::ApplyWindowProgressBarValues(bar); // as the main window stores it
  bar.SetTotalParts(1000);
  bar.SetPartsComplete(500);
  const platform::TBitmap image = bar.Render();
  const std::uint32_t face = ToPixel(clBtnFace);
  const std::uint32_t flat = ToPixel(ShadeLighter(clBtnShadow, 30));
  const std::uint32_t highlight = ToPixel(clHighlight);
  const std::uint32_t hotLight = ToPixel(clHotLight);

  for (const auto& [x, y] : {std::pair{0, 0}, {408, 23}, {1, 1}, {407, 1}, {1, 22}, {407, 22}})
    EXPECT_EQ(image.Pixel(x, y), face) << x << "," << y;
  for (int y = 2; y <= 21; ++y) {
    EXPECT_EQ(image.Pixel(1, y), flat) << y;
    EXPECT_EQ(image.Pixel(407, y), flat) << y;
  }
  for (int x = 2; x <= 406; ++x) {
    EXPECT_EQ(image.Pixel(x, 1), flat) << x;
    EXPECT_EQ(image.Pixel(x, 22), flat) << x;
  }
  // 202 columns of bar, the gradient running over its 20 rows.
  EXPECT_EQ(image.Pixel(2 + 10, 2 + 10), hotLight);
  EXPECT_EQ(image.Pixel(2 + 201, 2 + 19), highlight);
  EXPECT_NE(image.Pixel(2 + 5, 2 + 0), highlight);
  // Row 0: ten steps of (clHighlight - clHotLight) / 11 from clHotLight, one short of clHighlight.
  const auto channel = [](int from, int to) {
    const long long step = (static_cast<long long>(to) * 65536 - from * 65536LL) / 11;
    return static_cast<int>((from * 65536LL + 10 * step) / 65536);
  };
  EXPECT_EQ(image.Pixel(2 + 5, 2 + 0), Rgb(channel(0, 10), channel(0, 36), channel(128, 106)));
  for (int y = 2; y <= 21; ++y) {
    EXPECT_EQ(image.Pixel(203, y), image.Pixel(2, y)) << y; // one colour per row
    EXPECT_EQ(image.Pixel(204, y), face) << y;              // the rest: flat face
    EXPECT_EQ(image.Pixel(406, y), face) << y;
  }
}

TEST_F(ProgressBar, AVerticalBarFillsFromTheBottom) {
  TKvProgressBar bar;
  bar.SetBounds(0, 0, 20, 100);
  bar.SetBorderOuter(fsNone);
  bar.SetBarStyle(bsGradient);
  bar.SetShowPercent(false);
  bar.SetBarColor(RGB(255, 0, 0));
  bar.SetBarColorStop(RGB(255, 0, 0));
  bar.SetBackColor(RGB(0, 0, 255));
  bar.SetBackColorStop(RGB(0, 0, 255));
  bar.SetPercent(25);
  const platform::TBitmap image = bar.Render();
  EXPECT_EQ(image.Pixel(10, 99), Rgb(255, 0, 0));
  EXPECT_EQ(image.Pixel(10, 75), Rgb(255, 0, 0));
  EXPECT_EQ(image.Pixel(10, 74), Rgb(0, 0, 255));
  EXPECT_EQ(image.Pixel(10, 0), Rgb(0, 0, 255));
}

TEST_F(ProgressBar, AWholeDownloadRepaintsAtMostOncePerPercent) {
  TForm form;
  form.HostResize({409, 200}, platform::BaseDpi);
  auto& bar = form.AddControl<CountingBar>();
  app::ApplyWindowProgressBarValues(bar); // as the main window stores it
  form.HostPaint();
  const int before = bar.paints;
  bar.SetTotalParts(100000);
  // The host paints what is invalid after every write.
  for (std::uint32_t parts = 1; parts <= 100000; ++parts) {
    bar.SetPartsComplete(parts);
    form.HostPaint();
  }
  EXPECT_EQ(bar.Percent(), 100);
  EXPECT_LE(bar.paints - before, 101);
  EXPECT_GE(bar.paints - before, 100);
}

TEST_F(ProgressBar, OnAFormItPaintsItsPictureAtTheDeviceScale) {
  for (const int scale : {1, 2}) {
    TForm form;
    form.HostResize({420, 200}, 96 * scale);
    auto& bar = form.AddControl<TKvProgressBar>();
    app::ApplyWindowProgressBarValues(bar);
    bar.SetBounds(5, 10, 409, 24);
    bar.SetTotalParts(1000);
    bar.SetPartsComplete(500);
    const platform::TBitmap picture = bar.Render();
    const platform::TBitmap& painted = form.HostPaint();
    for (const auto& [x, y] : {std::pair{0, 0}, {12, 12}, {203, 21}, {204, 5}, {408, 23}}) {
      EXPECT_EQ(painted.Pixel((5 + x) * scale, (10 + y) * scale), picture.Pixel(x, y))
          << x << "," << y << " at " << scale;
      EXPECT_EQ(painted.Pixel((5 + x) * scale + scale - 1, (10 + y) * scale + scale - 1),
                picture.Pixel(x, y))
          << x << "," << y << " at " << scale;
    }
  }
}

} // namespace
