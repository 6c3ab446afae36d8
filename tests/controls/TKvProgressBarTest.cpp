#include "controls/TKvProgressBar.h"

#include "app/WindowControls.h"

#include <QPaintEvent>
#include <QTest>
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
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    TKvProgressBar::paintEvent(event);
  }
};

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
  const QImage image = bar.Render();
  const QRgb face = ToQColor(clBtnFace).rgb();
  const QRgb flat = ToQColor(ShadeLighter(clBtnShadow, 30)).rgb();
  const QRgb highlight = ToQColor(clHighlight).rgb();
  const QRgb hotLight = ToQColor(clHotLight).rgb();

  for (const auto& [x, y] : {std::pair{0, 0}, {408, 23}, {1, 1}, {407, 1}, {1, 22}, {407, 22}})
    EXPECT_EQ(image.pixel(x, y), face) << x << "," << y;
  for (int y = 2; y <= 21; ++y) {
    EXPECT_EQ(image.pixel(1, y), flat) << y;
    EXPECT_EQ(image.pixel(407, y), flat) << y;
  }
  for (int x = 2; x <= 406; ++x) {
    EXPECT_EQ(image.pixel(x, 1), flat) << x;
    EXPECT_EQ(image.pixel(x, 22), flat) << x;
  }
  // 202 columns of bar, the gradient running over its 20 rows.
  EXPECT_EQ(image.pixel(2 + 10, 2 + 10), hotLight);
  EXPECT_EQ(image.pixel(2 + 201, 2 + 19), highlight);
  EXPECT_NE(image.pixel(2 + 5, 2 + 0), highlight);
  // Row 0: ten steps of (clHighlight - clHotLight) / 11 from clHotLight, one short of clHighlight.
  const auto channel = [](int from, int to) {
    const long long step = (static_cast<long long>(to) * 65536 - from * 65536LL) / 11;
    return static_cast<int>((from * 65536LL + 10 * step) / 65536);
  };
  EXPECT_EQ(image.pixel(2 + 5, 2 + 0), qRgb(channel(0, 10), channel(0, 36), channel(128, 106)));
  for (int y = 2; y <= 21; ++y) {
    EXPECT_EQ(image.pixel(203, y), image.pixel(2, y)) << y; // one colour per row
    EXPECT_EQ(image.pixel(204, y), face) << y;              // the rest: flat face
    EXPECT_EQ(image.pixel(406, y), face) << y;
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
  const QImage image = bar.Render();
  EXPECT_EQ(image.pixel(10, 99), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(10, 75), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(10, 74), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(10, 0), qRgb(0, 0, 255));
}

TEST_F(ProgressBar, AWholeDownloadRepaintsAtMostOncePerPercent) {
  CountingBar bar;
  app::ApplyWindowProgressBarValues(bar); // as the main window stores it
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  const int before = bar.paints;
  bar.SetTotalParts(100000);
  for (std::uint32_t parts = 1; parts <= 100000; ++parts)
    bar.SetPartsComplete(parts);
  EXPECT_EQ(bar.Percent(), 100);
  EXPECT_LE(bar.paints - before, 101);
  EXPECT_GE(bar.paints - before, 100);
}

} // namespace
