// A form in a real window on the display through the Qt host, at the device pixel ratio the
// environment sets (the suite runs as it is and with QT_SCALE_FACTOR 1.25, 1.5 and 2).
#include "platform/posix/QtWindowHost.h"

#include "PaintPacing.h"
#include "SpyControl.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"
#include "platform/Application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

using Log = std::vector<std::string>;

namespace {

int ExpectedDpi() {
  const char* factor = std::getenv("QT_SCALE_FACTOR");
  return factor ? platform::DpiOfRatio(std::atof(factor)) : platform::BaseDpi;
}

// A layout position's first device pixel, and its last one.
int First(int position) {
  return platform::DeviceEdge(position, ExpectedDpi());
}
int Last(int position) {
  return platform::DeviceEdge(position + 1, ExpectedDpi()) - 1;
}

// A spy that fills itself with blue.
class TBlueSpy : public TSpyControl {
public:
  using TSpyControl::TSpyControl;

protected:
  void Paint(controls::TCanvas& canvas) override {
    canvas.FillRect({0, 0, Width(), Height()}, controls::RGB(0, 0, 255));
  }
};

bool Has(const Log& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

struct Window {
  Window() {
    form.SetCaption("Kolvarin Radyo Güncelleme");
    form.SetClientSize({120, 80});
    form.SetColor(0xFFFF0000u);
    form.CreateHost();
    button = &form.AddControl<TBlueSpy>("B", log);
    button->SetBounds(10, 10, 40, 30);
    button->SetAcceptsFocus(true);
    button->SetTabStop(true);
    other = &form.AddControl<TSpyControl>("O", log);
    other->SetBounds(60, 10, 40, 30);
    other->SetAcceptsFocus(true);
    other->SetTabStop(true);
    form.Show();
    widget = &static_cast<platform::posix::TQtWindowHost*>(form.Host())->Widget();
    widget->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(widget));
    EXPECT_TRUE(QTest::qWaitForWindowActive(widget));
    log.clear();
  }

  Log log;
  controls::TForm form;
  TSpyControl* button = nullptr;
  TSpyControl* other = nullptr;
  QWidget* widget = nullptr;
};

TEST(QtWindowHost, ThePictureIsInDevicePixelsAndShownUnscaled) {
  Window window;
  const int dpi = ExpectedDpi();
  EXPECT_EQ(window.form.Dpi(), dpi);
  // The toolkit's own device size of the widget (its size times the ratio, rounded) is the
  // picture's, so that the picture covers the window exactly.
  const qreal ratio = window.widget->devicePixelRatioF();
  const QSize device(qRound(120 * ratio), qRound(80 * ratio));
  EXPECT_EQ(window.form.Bitmap().Size(), (platform::TSize{device.width(), device.height()}));
  EXPECT_EQ(window.widget->size(), QSize(120, 80));
  EXPECT_EQ(window.widget->windowTitle(), QString::fromUtf8("Kolvarin Radyo Güncelleme"));
  const QImage shown = window.widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), device);
  EXPECT_EQ(shown.pixel(Last(9), Last(9)), 0xFFFF0000u);
  EXPECT_EQ(shown.pixel(First(10), First(10)), 0xFF0000FFu);
  EXPECT_EQ(shown.pixel(Last(49), Last(39)), 0xFF0000FFu);
  EXPECT_EQ(shown.pixel(First(50), First(40)), 0xFFFF0000u);
  // What the window shows is the form's picture, pixel for pixel: nothing smoothed or moved.
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x)
      ASSERT_EQ(shown.pixel(x, y), window.form.Bitmap().Pixel(x, y)) << x << "," << y;
  }
}

TEST(QtWindowHost, InvalidationsArePaintedAtMostOnceAFrameTheLastAlwaysShown) {
  Window window;
  const controls::TColor last =
      ChangeAtADownloadsPace(*window.other, [] { QCoreApplication::processEvents(); });
  // The last change reaches the screen a frame later, without any further change.
  const QPoint inside = window.widget->mapToGlobal(QPoint(70, 20));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.form.DirtyRects().empty(); }, 1000));
  QTest::qWait(50);
  const QImage screen = QGuiApplication::primaryScreen()
                            ->grabWindow(0, inside.x(), inside.y(), 1, 1)
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(screen.pixel(0, 0), controls::ToPixel(last)) << std::hex << screen.pixel(0, 0);
}

TEST(QtWindowHost, MouseEventsReachTheControlsInPixels) {
  Window window;
  QTest::mouseMove(window.widget, QPoint(15, 15));
  QTest::mousePress(window.widget, Qt::LeftButton, {}, QPoint(15, 15));
  QTest::mouseMove(window.widget, QPoint(70, 20));
  QTest::mouseRelease(window.widget, Qt::LeftButton, {}, QPoint(70, 20));
  EXPECT_TRUE(Has(window.log, "B:down 5,5"));
  EXPECT_TRUE(Has(window.log, "B:up 60,10")) << "the pressed control keeps the mouse";
  EXPECT_TRUE(window.button->Focused());
  EXPECT_EQ(window.form.HotControl(), window.other);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(window.widget, &leave);
  EXPECT_TRUE(Has(window.log, "O:leave"));
}

TEST(QtWindowHost, AMousePositionBetweenPixelsIsInThePixelThatHoldsIt) {
  // Between whole scales the toolkit reports the position of a device pixel in fractions of a
  // pixel: 49.75 lies in pixel 49, the button's last, not in the next.
  Window window;
  for (const double position : {49.75, 49.5, 49.0}) {
    window.log.clear();
    const QPointF local(position, 20.0);
    QMouseEvent move(QEvent::MouseMove, local, window.widget->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.widget, &move);
    EXPECT_EQ(window.form.HotControl(), window.button) << position;
    EXPECT_TRUE(Has(window.log, "B:move 39,10")) << position;
  }
}

TEST(QtWindowHost, TabAcceleratorsEscapeAndTypedText) {
  Window window;
  ASSERT_TRUE(window.button->Focused());
  QTest::keyClick(window.widget, Qt::Key_Tab);
  EXPECT_TRUE(window.other->Focused()) << "Tab is the form's, not the toolkit's";
  QTest::keyClick(window.widget, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(window.button->Focused());
  window.button->takes = {controls::TKey::A};
  QTest::keyClick(window.widget, Qt::Key_A);
  EXPECT_TRUE(Has(window.log, "B:key 65 a"));
  window.other->SetAccelerator('o');
  QTest::keyClick(window.widget, Qt::Key_O, Qt::AltModifier);
  EXPECT_TRUE(Has(window.log, "O:click"));
  EXPECT_TRUE(window.other->Focused());
  window.button->SetCancel(true);
  QTest::keyClick(window.widget, Qt::Key_Escape);
  EXPECT_TRUE(Has(window.log, "B:click"));
}

TEST(QtWindowHost, AnAcceleratorOfANonAsciiLetterAnswersAltWithItsKey) {
  Window window;
  window.other->SetAccelerator(controls::AcceleratorOf("&Çık"));
  // The toolkit's code of the "Ç" key is the letter's code point; it types no text with Alt.
  QTest::keyClick(window.widget, Qt::Key_Ccedilla, Qt::AltModifier);
  EXPECT_TRUE(Has(window.log, "O:click"));
  EXPECT_TRUE(window.other->Focused());
}

TEST(QtWindowHost, TheCharacterAKeyStandsFor) {
  const struct {
    int key;
    const char* text;
    char32_t character;
  } cases[] = {
      {Qt::Key_Ccedilla, "", U'Ç'},
      {0x15E, "ş", U'Ş'},     // a key code beyond Latin-1: the letter's
                              // upper case
      {Qt::Key_I, "ı", U'I'}, // the dotless i's key: the toolkit's upper case of it
      {Qt::Key_unknown, "ğ", U'ğ'},
      {Qt::Key_Space, " ", 0},
      {Qt::Key_Escape, "", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::posix::CodePointFromQtKey(c.key, QString::fromUtf8(c.text)), c.character)
        << c.key;
}

TEST(QtWindowHost, TheCloseBoxAsksTheForm) {
  Window window;
  bool allow = false;
  window.form.OnCloseQuery = [&] { return allow; };
  window.widget->close();
  EXPECT_TRUE(window.widget->isVisible());
  allow = true;
  window.widget->close();
  EXPECT_FALSE(window.widget->isVisible());
}

TEST(QtWindowHost, TheApplicationRunsAFormAsItsMainWindowUntilItCloses) {
  Window window;
  window.form.Hide();
  platform::TApplication& application = *platform::TApplication::Instance();
  application.RegisterForm(window.form.Host());
  bool shownByRun = false;
  QTimer::singleShot(0, [&] {
    shownByRun = window.widget->isVisible();
    window.form.Close();
  });
  application.Run();
  EXPECT_TRUE(shownByRun);
  EXPECT_TRUE(application.Terminated());
}

} // namespace
