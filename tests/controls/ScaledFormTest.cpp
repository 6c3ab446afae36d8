// A form of framed controls at the display scales between whole ones: a part painted again is
// painted exactly as the whole picture paints it, wherever the part's edges fall (inside a
// control's frame or across it), and neighbouring controls meet without a gap.
#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;

struct Window {
  TForm form;
  TKvPanel* panel = nullptr;
  TKvGroupBox* group = nullptr;
  TKvProgressBar* bar = nullptr;
  TKvButton* button = nullptr;

  explicit Window(int dpi) {
    form.SetColor(ToPixel(clBtnFace));
    form.HostResize({200, 130}, dpi);
    panel = &form.AddControl<TKvPanel>();
    panel->SetBounds(0, 0, 200, 40);
    group = &form.AddControl<TKvGroupBox>();
    group->SetBounds(0, 40, 200, 50);
    group->SetCaption("Güncelleme Bilgileri");
    auto& label = group->AddControl<TKvLabel>();
    label.SetTransparent(true);
    label.SetBounds(7, 22, 0, 0);
    label.SetCaption("Dosya Boyutu :");
    bar = &form.AddControl<TKvProgressBar>();
    bar->SetBounds(0, 90, 200, 13);
    bar->SetPercent(37);
    bar->SetShowPercent(true);
    button = &form.AddControl<TKvButton>();
    button->SetBounds({111, 104, 186, 129});
    button->SetCaption("Vazgeç");
  }
};

class ScaledForm : public testing::TestWithParam<int> {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
};

TEST_P(ScaledForm, APartPaintedAgainIsThePictureOfTheWhole) {
  const int dpi = GetParam();
  Window window(dpi);
  const platform::TBitmap whole = window.form.HostPaint();
  ASSERT_EQ(whole.Size(), platform::DeviceSize({200, 130}, dpi));
  // Parts whose edges fall in frames (one pixel in from a control's side), across controls,
  // and inside the group box's caption.
  const TRect parts[] = {{1, 1, 5, 39},      {0, 39, 200, 41},     {3, 44, 90, 60},
                         {150, 88, 199, 92}, {112, 105, 185, 128}, {57, 61, 58, 89}};
  for (const TRect& part : parts) {
    SCOPED_TRACE(std::to_string(part.Left) + "," + std::to_string(part.Top) + "," +
                 std::to_string(part.Right) + "," + std::to_string(part.Bottom));
    window.form.InvalidateRect(part);
    const platform::TBitmap& again = window.form.HostPaint();
    int different = 0;
    for (int y = 0; y < whole.Height(); ++y)
      for (int x = 0; x < whole.Width(); ++x)
        if (again.Pixel(x, y) != whole.Pixel(x, y) && different++ < 3)
          ADD_FAILURE() << "device pixel " << x << "," << y;
    EXPECT_EQ(different, 0);
  }
}

TEST_P(ScaledForm, NeighbouringControlsMeetWithoutAGap) {
  const int dpi = GetParam();
  Window window(dpi);
  window.form.SetColor(0xFFFF00FFu); // a colour no control paints
  const platform::TBitmap& picture = window.form.HostPaint();
  // Down the middle, the panel, the group box and the bar cover every device row they span.
  const int x = platform::DeviceEdge(100, dpi);
  for (int y = 0; y < platform::DeviceEdge(103, dpi); ++y)
    EXPECT_NE(picture.Pixel(x, y), 0xFFFF00FFu) << "device row " << y;
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScaledForm, testing::Values(96, 120, 144, 168, 192),
                         [](const testing::TestParamInfo<int>& info) {
                           return "Dpi" + std::to_string(info.param);
                         });

} // namespace
