#include "controls/TKvButton.h"

#include "controls/FormKeyboard.h"

#include <QTest>
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

// A window-like parent for buttons.
struct ButtonWindow {
  QWidget window;
  TKvButton* button;
  int clicks = 0;
  ButtonWindow() {
    window.resize(200, 100);
    button = new TKvButton(&window);
    button->setGeometry(7, 20, 75, 25);
    button->SetCaption(QStringLiteral("Güncelle"));
    button->SetHotTrack(true);
    button->OnClick = [this](TKvCustomButton*) { ++clicks; };
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST_F(Controls, TheHoveredUpdateButtonShowsTheHotTrackRing) {
  ButtonWindow ui;
  ui.window.setFocus(); // hovered, not focused
  QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
  QApplication::sendEvent(ui.button, &enter);
  ASSERT_TRUE(ui.button->Hot());
  const QImage image = ui.button->Render();
  const QRgb last = ToQColor(RGB(240, 155, 20)).rgb();
  for (int x = 2; x <= 72; ++x) {
    EXPECT_EQ(image.pixel(x, 22), last) << x;
    EXPECT_EQ(image.pixel(x, 21), image.pixel(2, 21)) << x;
  }
  EXPECT_NE(image.pixel(10, 2), ToQColor(MixColors(clWhite, RGB(240, 155, 20), 190)).rgb());
  EXPECT_EQ(image.pixel(1, 10), ToQColor(cl3DDkShadow).rgb()); // the inner frame
  EXPECT_EQ(image.pixel(0, 10), ToQColor(ShadeDarker(clBtnFace, 20)).rgb());
  EXPECT_EQ(image.pixel(74, 10), ToQColor(ShadeLighter(clBtnFace, 20)).rgb());

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(ui.button, &leave);
  EXPECT_FALSE(ui.button->Hot());
  EXPECT_NE(ui.button->Render().pixel(10, 22), last);
}

TEST_F(Controls, MouseClicksOnlyWhenReleasedInside) {
  ButtonWindow ui;
  QTest::mousePress(ui.button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(ui.button->Pressed());
  QTest::mouseMove(ui.button, QPoint(150, 10));
  QMouseEvent moveOut(QEvent::MouseMove, QPointF(150, 10), QPointF(150, 10), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ui.button, &moveOut);
  EXPECT_FALSE(ui.button->Pressed());
  QTest::mouseRelease(ui.button, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(ui.clicks, 0);

  QTest::mouseClick(ui.button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(ui.clicks, 1);
  EXPECT_FALSE(ui.button->Pressed());
}

TEST_F(Controls, KeyboardClicksWithSpaceOnReleaseAndEnterWhenActive) {
  ButtonWindow ui;
  ui.button->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ui.button->hasFocus(); }));
  QTest::keyPress(ui.button, Qt::Key_Space);
  EXPECT_TRUE(ui.button->Pressed());
  EXPECT_EQ(ui.clicks, 0);
  QTest::keyRelease(ui.button, Qt::Key_Space);
  EXPECT_EQ(ui.clicks, 1);
  EXPECT_TRUE(ui.button->Active());
  QTest::keyClick(ui.button, Qt::Key_Return);
  EXPECT_EQ(ui.clicks, 2);
  QTest::keyClick(ui.button, Qt::Key_Escape);
  EXPECT_EQ(ui.clicks, 2);
  ui.button->SetCancel(true);
  QTest::keyClick(ui.button, Qt::Key_Escape);
  EXPECT_EQ(ui.clicks, 3);
}

TEST_F(Controls, ADisabledButtonNeverClicksAndIsDrawnFlatWithAGreyCaption) {
  ButtonWindow ui;
  ui.button->setEnabled(false);
  QTest::mouseClick(ui.button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::keyClick(ui.button, Qt::Key_Space);
  EXPECT_EQ(ui.clicks, 0);
  QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
  QApplication::sendEvent(ui.button, &enter);
  const QImage image = ui.button->Render();
  EXPECT_EQ(image.pixel(3, 3), ToQColor(clBtnFace).rgb());
  EXPECT_EQ(image.pixel(70, 21), ToQColor(clBtnFace).rgb());
  EXPECT_EQ(image.pixel(1, 10), ToQColor(ShadeLighter(clBtnShadow, 30)).rgb());
  bool grey = false, black = false;
  for (int y = 5; y < 20; ++y)
    for (int x = 5; x < 70; ++x) {
      grey = grey || image.pixel(x, y) == ToQColor(clGrayText).rgb();
      black = black || image.pixel(x, y) == qRgb(0, 0, 0);
    }
  EXPECT_TRUE(grey);
  EXPECT_FALSE(black);
}

TEST_F(Controls, WithoutFullColourTheFaceIsFlatAndNoRingIsDrawn) {
  ButtonWindow ui;
  SetFullColor(false);
  QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
  QApplication::sendEvent(ui.button, &enter);
  const QImage image = ui.button->Render();
  SetFullColor(true);
  EXPECT_EQ(image.pixel(3, 3), ToQColor(clBtnFace).rgb());
  EXPECT_EQ(image.pixel(3, 19), ToQColor(clBtnFace).rgb());
  EXPECT_EQ(image.pixel(3, 21), ToQColor(ShadeDarker(clBtnFace, 20)).rgb());
}

// A form with a Default and a Cancel button and a control that takes the focus but no keys.
struct DialogForm {
  QWidget window;
  QWidget* field = new QWidget(&window);
  TKvButton* ok = new TKvButton(&window);
  TKvButton* cancel = new TKvButton(&window);
  int okClicks = 0;
  int cancelClicks = 0;
  DialogForm() {
    window.resize(200, 100);
    field->setGeometry(5, 5, 50, 20);
    field->setFocusPolicy(Qt::StrongFocus);
    ok->setGeometry(5, 60, 75, 25);
    ok->SetCaption(QStringLiteral("&Tamam"));
    ok->SetDefault(true);
    ok->OnClick = [this](TKvCustomButton*) { ++okClicks; };
    cancel->setGeometry(100, 60, 75, 25);
    cancel->SetCaption(QStringLiteral("Vazgeç"));
    cancel->SetCancel(true);
    cancel->OnClick = [this](TKvCustomButton*) { ++cancelClicks; };
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST_F(Controls, EnterAndEscapeReachTheDefaultAndCancelButtonsWhateverHasTheFocus) {
  DialogForm form;
  form.field->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.field->hasFocus(); }));
  EXPECT_TRUE(form.ok->Active());
  QTest::keyClick(form.field, Qt::Key_Return);
  EXPECT_EQ(form.okClicks, 1);
  QTest::keyClick(form.field, Qt::Key_Escape);
  EXPECT_EQ(form.cancelClicks, 1);

  // With the Cancel button focused, Enter is its own; Escape still cancels.
  form.cancel->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.cancel->hasFocus(); }));
  EXPECT_FALSE(form.ok->Active());
  QTest::keyClick(form.cancel, Qt::Key_Return);
  EXPECT_EQ(form.okClicks, 1);
  EXPECT_EQ(form.cancelClicks, 2);
  form.ok->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.ok->hasFocus(); }));
  QTest::keyClick(form.ok, Qt::Key_Escape);
  EXPECT_EQ(form.cancelClicks, 3);
  EXPECT_EQ(form.okClicks, 1);

  // A disabled Cancel button, or keys with a modifier, click nothing.
  form.cancel->setEnabled(false);
  QTest::keyClick(form.ok, Qt::Key_Escape);
  QTest::keyClick(form.field, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(form.cancelClicks, 3);
  EXPECT_EQ(form.okClicks, 1);
}

// Whether the button's picture has the dotted focus frame: its ring of pixels 3 in.
bool HasFocusFrame(TKvButton& button) {
  const QImage image = button.Render();
  for (int x = 4; x < button.width() - 4; ++x)
    if (image.pixel(x, 3) == qRgb(0, 0, 0))
      return true;
  return false;
}

// Whether the caption has an underline below the baseline, where no letter of "Tamam" reaches.
bool HasUnderline(TKvButton& button) {
  const QImage image = button.Render();
  int longest = 0;
  for (int y = 14; y < 20; ++y) {
    int run = 0;
    for (int x = 5; x < button.width() - 5; ++x) {
      run = image.pixel(x, y) == qRgb(0, 0, 0) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  return longest >= 4;
}

TEST_F(Controls, FocusFrameAndAcceleratorsShowAfterKeyboardInputAndHideAfterMouseInput) {
  DialogForm form;
  form.ok->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.ok->hasFocus(); }));
  QTest::mouseClick(form.field, Qt::LeftButton);
  form.ok->setFocus();
  EXPECT_FALSE(FormKeyboard::CuesShown());
  EXPECT_FALSE(HasFocusFrame(*form.ok));
  EXPECT_FALSE(HasUnderline(*form.ok));

  QTest::keyClick(form.ok, Qt::Key_Shift);
  EXPECT_TRUE(FormKeyboard::CuesShown());
  EXPECT_TRUE(HasFocusFrame(*form.ok));
  EXPECT_TRUE(HasUnderline(*form.ok));

  QTest::mousePress(form.field, Qt::LeftButton);
  QTest::mouseRelease(form.field, Qt::LeftButton);
  form.ok->setFocus();
  EXPECT_FALSE(FormKeyboard::CuesShown());
  EXPECT_FALSE(HasFocusFrame(*form.ok));
  EXPECT_FALSE(HasUnderline(*form.ok));
}

} // namespace
