#include "controls/TKvPanel.h"
#include "platform/posix/WindowFonts.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace controls;

// The window's font: Tahoma from the wine fonts, 11 pixels.
QFont WindowFont(bool bold) {
  return platform::WindowFont(11, bold);
}

bool HaveTahoma() {
  return platform::RegisterWindowFonts();
}

class Panels : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

// The red channel of a row after checking the row is one colour, from x0 to x1 exclusive.
QRgb RowColour(const QImage& image, int y, int x0, int x1) {
  const QRgb first = image.pixel(x0, y);
  for (int x = x0 + 1; x < x1; ++x) {
    EXPECT_EQ(image.pixel(x, y), first) << x << "," << y;
  }
  return first;
}

// One step of a gradient short of its first colour: the colour of the top row of `rows`.
QRgb OneStepShort(TColor start, TColor stop, int rows) {
  const TColor a = ColorToRGB(start), b = ColorToRGB(stop);
  const auto channel = [rows](int from, int to) {
    // The run goes from the stop (bottom) up to the start (top).
    const long long step = (static_cast<long long>(from) * 65536 - to * 65536LL) / rows;
    return static_cast<int>((to * 65536LL + (rows - 1) * step) / 65536);
  };
  return qRgb(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
              channel(GetBValue(a), GetBValue(b)));
}

TEST_F(Panels, TheHeaderPanelShadesFromTheWindowColourToADarkerFace) {
  TKvPanel panel;
  panel.resize(409, 48);
  panel.SetBorderOuter(fsNone);
  panel.SetVisualStyle(vsGradient);
  const QImage image = panel.Render();
  EXPECT_EQ(RowColour(image, 0, 0, 409), OneStepShort(clWindow, ShadeDarker(clBtnFace, 10), 48));
  EXPECT_EQ(RowColour(image, 47, 0, 409), ToQColor(ShadeDarker(clBtnFace, 10)).rgb());
  for (int y = 1; y < 47; ++y)
    RowColour(image, y, 0, 409);

  panel.SetVisualStyle(vsClassic);
  EXPECT_EQ(panel.Render().pixel(200, 20), ToQColor(clBtnFace).rgb());
  panel.SetVisualStyle(vsGradient);
  panel.SetGradientColorStyle(gcsCustom);
  panel.SetGradientColorStart(RGB(255, 0, 0));
  panel.SetGradientColorStop(RGB(0, 0, 255));
  panel.SetGradientDirection(gdVerticalEnd);
  const QImage custom = panel.Render();
  EXPECT_EQ(custom.pixel(408, 10), qRgb(0, 0, 255));
  EXPECT_EQ(custom.pixel(408, 40), qRgb(0, 0, 255));
}

TEST_F(Panels, TheBannerGroupBoxOfTheWindow) {
  if (!HaveTahoma())
    GTEST_SKIP() << "needs the Tahoma of fonts-wine (scripts/setup installs it)";
  TKvGroupBox box;
  box.setFont(WindowFont(true));
  box.resize(409, 114);
  box.SetCaption(QStringLiteral("Güncelleme Durum Bilgileri"));
  box.SetGroupStyle(gsBanner);
  box.SetVisualStyle(vsGradient);
  box.SetColor(clWhite);
  const QImage image = box.Render();
  const QRgb frame = ToQColor(ShadeDarker(clBtnFace, 40)).rgb();
  for (int x = 1; x < 408; ++x) {
    EXPECT_EQ(image.pixel(x, 0), frame) << x;
    EXPECT_EQ(image.pixel(x, 18), frame) << x;
  }
  for (int y = 1; y < 18; ++y) {
    EXPECT_EQ(image.pixel(0, y), frame) << y;
    EXPECT_EQ(image.pixel(408, y), frame) << y;
  }
  for (const auto& [x, y] : {std::pair{0, 0}, {408, 0}, {0, 18}, {408, 18}})
    EXPECT_NE(image.pixel(x, y), frame) << x << "," << y;
  EXPECT_EQ(image.pixel(407, 1), OneStepShort(clWindow, ShadeDarker(clBtnFace, 20), 17));
  EXPECT_EQ(image.pixel(407, 17), ToQColor(ShadeDarker(clBtnFace, 20)).rgb());
  EXPECT_EQ(box.CaptionRect(), (TRect{5, 2, 404, 17}));
  // The caption is there: dark pixels at the left of the banner.
  bool dark = false;
  for (int x = 5; x < 60; ++x)
    for (int y = 2; y < 17; ++y)
      dark = dark || qRed(image.pixel(x, y)) < 60;
  EXPECT_TRUE(dark);
  // Not transparent: the body is its colour.
  EXPECT_EQ(image.pixel(200, 60), qRgb(255, 255, 255));
  EXPECT_EQ(box.ClientArea().Top, 21);
}

TEST_F(Panels, BannerHeightAndAnEmptyCaption) {
  if (!HaveTahoma())
    GTEST_SKIP() << "needs the Tahoma of fonts-wine (scripts/setup installs it)";
  TKvGroupBox box;
  box.setFont(WindowFont(true));
  box.resize(100, 60);
  box.SetGroupStyle(gsBanner);
  box.SetColor(RGB(0, 255, 0));
  const QImage empty = box.Render();
  EXPECT_EQ(empty.pixel(50, 0), qRgb(0, 255, 0)); // no banner at all
  EXPECT_EQ(box.ClientArea().Top, 21);

  box.SetCaption(QStringLiteral("x"));
  box.SetBannerHeight(30);
  const QImage tall = box.Render();
  EXPECT_EQ(tall.pixel(50, 29), ToQColor(ShadeDarker(clBtnFace, 40)).rgb());
  EXPECT_EQ(tall.pixel(50, 30), qRgb(0, 255, 0));
  EXPECT_EQ(box.ClientArea().Top, 30);
}

// A parent painting itself red.
class RedParent : public QWidget {
protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

TEST_F(Panels, ATransparentGroupBoxShowsItsParentUnderItsBody) {
  RedParent parent;
  parent.resize(200, 200);
  TKvGroupBox box(&parent);
  box.setGeometry(10, 10, 100, 80);
  box.SetGroupStyle(gsBanner);
  box.SetCaption(QStringLiteral("Bilgi"));
  box.SetColor(clWhite);
  box.SetTransparent(true);
  const QImage image = box.Render();
  EXPECT_EQ(image.pixel(50, 60), qRgb(255, 0, 0));
}

TEST_F(Panels, TheCaptionAcceleratorMovesTheFocusToTheFirstChild) {
  QWidget window;
  window.resize(200, 200);
  TKvGroupBox box(&window);
  box.setGeometry(0, 0, 200, 100);
  box.SetCaption(QStringLiteral("&Bilgi"));
  QWidget child(&box);
  child.setFocusPolicy(Qt::StrongFocus);
  child.setGeometry(10, 30, 20, 20);
  QWidget other(&window);
  other.setFocusPolicy(Qt::StrongFocus);
  other.setGeometry(0, 150, 20, 20);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  other.setFocus();
  QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
  EXPECT_TRUE(child.hasFocus());
}

} // namespace
