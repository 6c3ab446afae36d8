#include "controls/TKvPanel.h"

#include "FormInput.h"
#include "WindowFont.h"
#include "controls/ControlPainting.h"
#include "controls/TForm.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;

// The window's font: Tahoma from the wine fonts, 11 pixels.
platform::TFontSpec WindowFont(bool bold) {
  return {"Tahoma", 11, bold, false};
}

std::uint32_t Rgb(int r, int g, int b) {
  return ToPixel(RGB(r, g, b));
}

bool HaveTahoma() {
  return HaveWindowFont();
}

class Panels : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

// The red channel of a row after checking the row is one colour, from x0 to x1 exclusive.
std::uint32_t RowColour(const platform::TBitmap& image, int y, int x0, int x1) {
  const std::uint32_t first = image.Pixel(x0, y);
  for (int x = x0 + 1; x < x1; ++x) {
    EXPECT_EQ(image.Pixel(x, y), first) << x << "," << y;
  }
  return first;
}

// One step of a gradient short of its first colour: the colour of the top row of `rows`.
std::uint32_t OneStepShort(TColor start, TColor stop, int rows) {
  const TColor a = ColorToRGB(start), b = ColorToRGB(stop);
  const auto channel = [rows](int from, int to) {
    // The run goes from the stop (bottom) up to the start (top).
    const long long step = (static_cast<long long>(from) * 65536 - to * 65536LL) / rows;
    return static_cast<int>((to * 65536LL + (rows - 1) * step) / 65536);
  };
  return Rgb(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

TEST_F(Panels, TheHeaderPanelShadesFromTheWindowColourToADarkerFace) {
  TKvPanel panel;
  panel.SetBounds(0, 0, 409, 48);
  panel.SetBorderOuter(fsNone);
  panel.SetVisualStyle(vsGradient);
  const platform::TBitmap image = panel.Render();
  EXPECT_EQ(RowColour(image, 0, 0, 409), OneStepShort(clWindow, ShadeDarker(clBtnFace, 10), 48));
  EXPECT_EQ(RowColour(image, 47, 0, 409), ToPixel(ShadeDarker(clBtnFace, 10)));
  for (int y = 1; y < 47; ++y)
    RowColour(image, y, 0, 409);

  panel.SetVisualStyle(vsClassic);
  EXPECT_EQ(panel.Render().Pixel(200, 20), ToPixel(clBtnFace));
  panel.SetVisualStyle(vsGradient);
  panel.SetGradientColorStyle(gcsCustom);
  panel.SetGradientColorStart(RGB(255, 0, 0));
  panel.SetGradientColorStop(RGB(0, 0, 255));
  panel.SetGradientDirection(gdVerticalEnd);
  const platform::TBitmap custom = panel.Render();
  EXPECT_EQ(custom.Pixel(408, 10), Rgb(0, 0, 255));
  EXPECT_EQ(custom.Pixel(408, 40), Rgb(0, 0, 255));
}

TEST_F(Panels, TheBannerGroupBoxOfTheWindow) {
  if (!HaveTahoma())
    GTEST_SKIP() << "needs the Tahoma of fonts-wine (scripts/setup installs it)";
  TKvGroupBox box;
  box.SetFont(WindowFont(true));
  box.SetBounds(0, 0, 409, 114);
  box.SetCaption(std::string("Güncelleme Durum Bilgileri"));
  box.SetGroupStyle(gsBanner);
  box.SetVisualStyle(vsGradient);
  box.SetColor(clWhite);
  const platform::TBitmap image = box.Render();
  const std::uint32_t frame = ToPixel(ShadeDarker(clBtnFace, 40));
  for (int x = 1; x < 408; ++x) {
    EXPECT_EQ(image.Pixel(x, 0), frame) << x;
    EXPECT_EQ(image.Pixel(x, 18), frame) << x;
  }
  for (int y = 1; y < 18; ++y) {
    EXPECT_EQ(image.Pixel(0, y), frame) << y;
    EXPECT_EQ(image.Pixel(408, y), frame) << y;
  }
  for (const auto& [x, y] : {std::pair{0, 0}, {408, 0}, {0, 18}, {408, 18}})
    EXPECT_NE(image.Pixel(x, y), frame) << x << "," << y;
  EXPECT_EQ(image.Pixel(407, 1), OneStepShort(clWindow, ShadeDarker(clBtnFace, 20), 17));
  EXPECT_EQ(image.Pixel(407, 17), ToPixel(ShadeDarker(clBtnFace, 20)));
  EXPECT_EQ(box.CaptionRect(), (TRect{5, 2, 404, 17}));
  // The caption is there: dark pixels at the left of the banner.
  bool dark = false;
  for (int x = 5; x < 60; ++x)
    for (int y = 2; y < 17; ++y)
      dark = dark || ((image.Pixel(x, y) >> 16) & 0xFF) < 60;
  EXPECT_TRUE(dark);
  // Not transparent: the body is its colour.
  EXPECT_EQ(image.Pixel(200, 60), Rgb(255, 255, 255));
  EXPECT_EQ(box.ClientArea().Top, 21);
}

TEST_F(Panels, BannerHeightAndAnEmptyCaption) {
  if (!HaveTahoma())
    GTEST_SKIP() << "needs the Tahoma of fonts-wine (scripts/setup installs it)";
  TKvGroupBox box;
  box.SetFont(WindowFont(true));
  box.SetBounds(0, 0, 100, 60);
  box.SetGroupStyle(gsBanner);
  box.SetColor(RGB(0, 255, 0));
  const platform::TBitmap empty = box.Render();
  EXPECT_EQ(empty.Pixel(50, 0), Rgb(0, 255, 0)); // no banner at all
  EXPECT_EQ(box.ClientArea().Top, 21);

  box.SetCaption(std::string("x"));
  box.SetBannerHeight(30);
  const platform::TBitmap tall = box.Render();
  EXPECT_EQ(tall.Pixel(50, 29), ToPixel(ShadeDarker(clBtnFace, 40)));
  EXPECT_EQ(tall.Pixel(50, 30), Rgb(0, 255, 0));
  EXPECT_EQ(box.ClientArea().Top, 30);
}

// A parent painting itself red.
class RedParent : public TControl {
protected:
  void Paint(TCanvas& canvas) override { canvas.FillRect(ClientRect(), RGB(255, 0, 0)); }
};

TEST_F(Panels, ATransparentGroupBoxShowsItsParentUnderItsBody) {
  TForm form;
  form.HostResize({300, 300}, platform::BaseDpi);
  auto& parent = form.AddControl<RedParent>();
  parent.SetBounds(20, 20, 200, 200);
  auto& box = parent.AddControl<TKvGroupBox>();
  box.SetBounds(10, 10, 100, 80);
  box.SetGroupStyle(gsBanner);
  box.SetCaption("Bilgi");
  box.SetColor(clWhite);
  box.SetTransparent(true);
  EXPECT_EQ(box.Render().Pixel(50, 60), Rgb(255, 0, 0));
  EXPECT_EQ(form.HostPaint().Pixel(20 + 10 + 50, 20 + 10 + 60), Rgb(255, 0, 0));
  box.SetTransparent(false);
  EXPECT_EQ(box.Render().Pixel(50, 60), Rgb(255, 255, 255));
  EXPECT_EQ(form.HostPaint().Pixel(20 + 10 + 50, 20 + 10 + 60), Rgb(255, 255, 255));
}

// A control that takes the focus and Tab.
class Focusable : public TControl {
public:
  Focusable() {
    SetAcceptsFocus(true);
    SetTabStop(true);
  }
};

TEST_F(Panels, TheCaptionAcceleratorMovesTheFocusToTheFirstChild) {
  TForm form;
  form.HostResize({200, 200}, platform::BaseDpi);
  auto& other = form.AddControl<Focusable>();
  other.SetBounds(0, 150, 20, 20);
  auto& box = form.AddControl<TKvGroupBox>();
  box.SetBounds(0, 0, 200, 100);
  box.SetCaption("&Bilgi");
  auto& hidden = box.AddControl<Focusable>();
  hidden.SetBounds(40, 30, 20, 20);
  hidden.SetVisible(false);
  auto& child = box.AddControl<Focusable>();
  child.SetBounds(10, 30, 20, 20);
  form.Show();
  other.SetFocus();
  TFormInput input(form);
  input.Key(static_cast<platform::TKey>('B'), platform::ssAlt, "b");
  EXPECT_EQ(form.FocusedControl(), &child);
  other.SetFocus();
  input.Key(static_cast<platform::TKey>('C'), platform::ssAlt, "c");
  EXPECT_EQ(form.FocusedControl(), &other);
}

} // namespace
