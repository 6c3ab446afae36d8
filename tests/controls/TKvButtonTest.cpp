#include "controls/TKvButton.h"

#include "FormInput.h"
#include "controls/TForm.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace controls;

class Controls : public testing::Test {
protected:
  void SetUp() override {
    SetColorScheme(ColorScheme::Classic);
    SetFullColor(true);
  }
};

using platform::TKey;

std::uint32_t Rgb(int r, int g, int b) {
  return ToPixel(RGB(r, g, b));
}

// A form with one button at (7, 20), nothing focused.
struct ButtonWindow {
  TForm window;
  TKvButton* button;
  TFormInput input{window};
  int clicks = 0;
  ButtonWindow() {
    window.HostResize({200, 100}, platform::BaseDpi);
    window.SetColor(ToPixel(clBtnFace));
    button = &window.AddControl<TKvButton>();
    button->SetBounds(7, 20, 75, 25);
    button->SetCaption("Güncelle");
    button->SetHotTrack(true);
    button->OnClick = [this](TKvCustomButton*) { ++clicks; };
    window.HostActivate(true);
    window.FocusControl(nullptr);
  }
};

TEST_F(Controls, TheHoveredUpdateButtonShowsTheHotTrackRing) {
  ButtonWindow ui;
  ui.input.Move(7 + 10, 20 + 10); // hovered, not focused
  ASSERT_TRUE(ui.button->Hot());
  const platform::TBitmap image = ui.button->Render();
  const std::uint32_t last = ToPixel(RGB(240, 155, 20));
  for (int x = 2; x <= 72; ++x) {
    EXPECT_EQ(image.Pixel(x, 22), last) << x;
    EXPECT_EQ(image.Pixel(x, 21), image.Pixel(2, 21)) << x;
  }
  EXPECT_NE(image.Pixel(10, 2), ToPixel(MixColors(clWhite, RGB(240, 155, 20), 190)));
  EXPECT_EQ(image.Pixel(1, 10), ToPixel(cl3DDkShadow)); // the inner frame
  EXPECT_EQ(image.Pixel(0, 10), ToPixel(ShadeDarker(clBtnFace, 20)));
  EXPECT_EQ(image.Pixel(74, 10), ToPixel(ShadeLighter(clBtnFace, 20)));

  // On the form the ring is painted over the window's picture, corners and all.
  const platform::TBitmap& painted = ui.window.HostPaint();
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 75; ++x)
      ASSERT_EQ(painted.Pixel(7 + x, 20 + y), image.Pixel(x, y)) << x << "," << y;

  ui.input.Move(150, 80);
  EXPECT_FALSE(ui.button->Hot());
  EXPECT_NE(ui.button->Render().Pixel(10, 22), last);
}

TEST_F(Controls, MouseClicksOnlyWhenReleasedInside) {
  ButtonWindow ui;
  ui.input.Press(17, 30);
  EXPECT_TRUE(ui.button->Pressed());
  EXPECT_EQ(ui.window.FocusedControl(), ui.button);
  ui.input.Move(150, 30);
  EXPECT_FALSE(ui.button->Pressed());
  ui.input.Move(20, 30);
  EXPECT_TRUE(ui.button->Pressed());
  ui.input.Move(150, 30);
  ui.input.Release(150, 30);
  EXPECT_EQ(ui.clicks, 0);

  ui.input.Click(17, 30);
  EXPECT_EQ(ui.clicks, 1);
  EXPECT_FALSE(ui.button->Pressed());

  // A capture that ends elsewhere leaves the button up and unclicked.
  ui.input.Press(17, 30);
  ui.window.HostCaptureLost();
  EXPECT_FALSE(ui.button->Pressed());
  EXPECT_EQ(ui.clicks, 1);
}

TEST_F(Controls, KeyboardClicksWithSpaceOnReleaseAndEnterWhenActive) {
  ButtonWindow ui;
  ASSERT_TRUE(ui.button->SetFocus());
  // Space held down (repeating) presses once and clicks once, on release.
  ui.window.HostKeyDown(TKey::Space, 0, " ");
  ui.window.HostKeyDown(TKey::Space, 0, " ");
  EXPECT_TRUE(ui.button->Pressed());
  EXPECT_EQ(ui.clicks, 0);
  ui.window.HostKeyUp(TKey::Space, 0);
  EXPECT_EQ(ui.clicks, 1);
  EXPECT_FALSE(ui.button->Pressed());
  EXPECT_TRUE(ui.button->Active());
  ui.input.Key(TKey::Enter);
  EXPECT_EQ(ui.clicks, 2);
  ui.input.Key(TKey::Escape);
  EXPECT_EQ(ui.clicks, 2);
  ui.button->SetCancel(true);
  ui.input.Key(TKey::Escape);
  EXPECT_EQ(ui.clicks, 3);
  // Its accelerator, with Alt or, when no control takes the letter, alone.
  ui.button->SetCaption("&Güncelle");
  ui.input.Key(static_cast<TKey>('G'), platform::ssAlt, "g");
  EXPECT_EQ(ui.clicks, 4);
  ui.input.Key(static_cast<TKey>('X'), platform::ssAlt, "x");
  EXPECT_EQ(ui.clicks, 4);
}

TEST_F(Controls, ADisabledButtonNeverClicksAndIsDrawnFlatWithAGreyCaption) {
  ButtonWindow ui;
  ui.button->SetFocus();
  ui.button->SetEnabled(false);
  ui.input.Click(17, 30);
  ui.input.Key(TKey::Space, 0, " ");
  ui.input.Key(TKey::Enter);
  EXPECT_EQ(ui.clicks, 0);
  EXPECT_FALSE(ui.button->Hot());
  const platform::TBitmap image = ui.button->Render();
  EXPECT_EQ(image.Pixel(3, 3), ToPixel(clBtnFace));
  EXPECT_EQ(image.Pixel(70, 21), ToPixel(clBtnFace));
  EXPECT_EQ(image.Pixel(1, 10), ToPixel(ShadeLighter(clBtnShadow, 30)));
  bool grey = false, black = false;
  for (int y = 5; y < 20; ++y)
    for (int x = 5; x < 70; ++x) {
      grey = grey || image.Pixel(x, y) == ToPixel(clGrayText);
      black = black || image.Pixel(x, y) == Rgb(0, 0, 0);
    }
  EXPECT_TRUE(grey);
  EXPECT_FALSE(black);
}

TEST_F(Controls, WithoutFullColourTheFaceIsFlatAndNoRingIsDrawn) {
  ButtonWindow ui;
  SetFullColor(false);
  ui.input.Move(17, 30);
  const platform::TBitmap image = ui.button->Render();
  SetFullColor(true);
  EXPECT_EQ(image.Pixel(3, 3), ToPixel(clBtnFace));
  EXPECT_EQ(image.Pixel(3, 19), ToPixel(clBtnFace));
  EXPECT_EQ(image.Pixel(3, 21), ToPixel(ShadeDarker(clBtnFace, 20)));
}

// A control that takes the focus but no keys.
class Field : public TControl {
public:
  Field() {
    SetAcceptsFocus(true);
    SetTabStop(true);
  }
};

// A form with a Default and a Cancel button and a control that takes the focus but no keys.
struct DialogForm {
  TForm window;
  Field* field;
  TKvButton* ok;
  TKvButton* cancel;
  TFormInput input{window};
  int okClicks = 0;
  int cancelClicks = 0;
  DialogForm() {
    window.HostResize({200, 100}, platform::BaseDpi);
    field = &window.AddControl<Field>();
    field->SetBounds(5, 5, 50, 20);
    ok = &window.AddControl<TKvButton>();
    ok->SetBounds(5, 60, 75, 25);
    ok->SetCaption("&Tamam");
    ok->SetDefault(true);
    ok->OnClick = [this](TKvCustomButton*) { ++okClicks; };
    cancel = &window.AddControl<TKvButton>();
    cancel->SetBounds(100, 60, 75, 25);
    cancel->SetCaption("Vazgeç");
    cancel->SetCancel(true);
    cancel->OnClick = [this](TKvCustomButton*) { ++cancelClicks; };
    window.HostActivate(true);
  }
};

TEST_F(Controls, EnterAndEscapeReachTheDefaultAndCancelButtonsWhateverHasTheFocus) {
  DialogForm form;
  ASSERT_TRUE(form.field->SetFocus());
  EXPECT_TRUE(form.ok->Active());
  EXPECT_FALSE(form.cancel->Active());
  form.input.Key(TKey::Enter);
  EXPECT_EQ(form.okClicks, 1);
  form.input.Key(TKey::Escape);
  EXPECT_EQ(form.cancelClicks, 1);

  // With the Cancel button focused, Enter is its own; Escape still cancels.
  ASSERT_TRUE(form.cancel->SetFocus());
  EXPECT_FALSE(form.ok->Active());
  EXPECT_TRUE(form.cancel->Active());
  form.input.Key(TKey::Enter);
  EXPECT_EQ(form.okClicks, 1);
  EXPECT_EQ(form.cancelClicks, 2);
  ASSERT_TRUE(form.ok->SetFocus());
  form.input.Key(TKey::Escape);
  EXPECT_EQ(form.cancelClicks, 3);
  EXPECT_EQ(form.okClicks, 1);

  // A disabled Cancel button, or keys with a modifier, click nothing.
  form.cancel->SetEnabled(false);
  form.input.Key(TKey::Escape);
  form.field->SetFocus();
  form.input.Key(TKey::Enter, platform::ssCtrl);
  EXPECT_EQ(form.cancelClicks, 3);
  EXPECT_EQ(form.okClicks, 1);
}

// Whether the button's picture has the dotted focus frame: its ring of pixels 3 in.
bool HasFocusFrame(TKvButton& button) {
  const platform::TBitmap image = button.Render();
  for (int x = 4; x < button.Width() - 4; ++x)
    if (image.Pixel(x, 3) == Rgb(0, 0, 0))
      return true;
  return false;
}

// The black pixels of the caption's area, inside the focus frame.
int CaptionInk(TKvButton& button) {
  const platform::TBitmap image = button.Render();
  int ink = 0;
  for (int y = 5; y < button.Height() - 5; ++y)
    for (int x = 5; x < button.Width() - 5; ++x)
      ink += image.Pixel(x, y) == Rgb(0, 0, 0) ? 1 : 0;
  return ink;
}

// Whether the caption's accelerator is underlined: it has more ink than the caption without
// its marker.
bool HasUnderline(TKvButton& button) {
  const std::string caption = button.Caption();
  const int with = CaptionInk(button);
  button.SetCaption(StripAccelerators(caption));
  const int without = CaptionInk(button);
  button.SetCaption(caption);
  return with > without;
}

TEST_F(Controls, FocusFrameAndAcceleratorsShowAfterKeyboardInputAndHideAfterMouseInput) {
  DialogForm form;
  form.input.Click(10, 10);
  ASSERT_TRUE(form.ok->SetFocus());
  EXPECT_FALSE(form.window.CuesShown());
  EXPECT_FALSE(HasFocusFrame(*form.ok));
  EXPECT_FALSE(HasUnderline(*form.ok));

  form.window.HostPaint();
  form.input.Key(TKey::None, platform::ssShift);
  EXPECT_TRUE(form.window.CuesShown());
  EXPECT_TRUE(HasFocusFrame(*form.ok));
  EXPECT_TRUE(HasUnderline(*form.ok));
  EXPECT_FALSE(form.window.DirtyRects().empty()) << "the cues are painted";

  form.input.Click(10, 10);
  ASSERT_TRUE(form.ok->SetFocus());
  EXPECT_FALSE(form.window.CuesShown());
  EXPECT_FALSE(HasFocusFrame(*form.ok));
  EXPECT_FALSE(HasUnderline(*form.ok));
}

} // namespace
