// The drawing kit's meeting points with the controls and the toolkit: a control's picture over
// its parents', the palette's colours.
#include "controls/Canvas.h"
#include "controls/Colors.h"
#include "controls/ControlPainting.h"
#include "controls/TControl.h"

#include <QApplication>
#include <QPalette>
#include <cstdint>
#include <gtest/gtest.h>

namespace {

using namespace controls;
using platform::TBitmap;

class DrawingKitToolkit : public testing::Test {
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

TEST_F(DrawingKitToolkit, AControlsPictureOverItsParentsShowsWhatTheParentPaintsUnderIt) {
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

TEST_F(DrawingKitToolkit, ThePaletteSchemeTakesTheApplicationsColours) {
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
