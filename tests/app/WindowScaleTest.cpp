// The main window in a real window at the device pixel ratio the suite runs at (as it is, and
// with QT_SCALE_FACTOR 1.25, 1.5 and 2): the X window is the scaled 409 x 305 device pixels and
// shows the form's picture one to one, each control lies at its scaled place, every caption
// fits in its control. With KOLVARIN_SCREENSHOTS naming a folder, the window's picture on the
// screen is saved there as linux-qt-PERCENT.png.
#include "WindowScale.h"

#include "platform/Application.h"
#include "platform/posix/QtWindowHost.h"

#include <QImage>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
// clang-format off
// After the test framework, whose own names the system's macros (None, Bool) would replace.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace {

class ScaledWindow : public app::TFRMUPDATE {
public:
  ScaledWindow()
      : TFRMUPDATE(*platform::TApplication::Instance(), false,
                   app::PublisherAt("kolvarin-test.example")) {}
  void KvButton5Click() override {}
};

int ExpectedDpi() {
  const char* factor = std::getenv("QT_SCALE_FACTOR");
  return factor ? platform::DpiOfRatio(std::atof(factor)) : platform::BaseDpi;
}

struct Scale {
  int dpi;
  platform::TSize client;
};

const Scale Scales[] = {{96, {409, 305}}, {120, {511, 381}}, {144, {614, 458}}, {192, {818, 610}}};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ImageDestroyer {
  void operator()(XImage* image) const { XDestroyImage(image); }
};

TEST(WindowScale, TheWindowIsLaidOutAtTheScaleAndShownOneToOne) {
  const int dpi = ExpectedDpi();
  const Scale* scale = nullptr;
  for (const Scale& each : Scales)
    if (each.dpi == dpi)
      scale = &each;
  ASSERT_NE(scale, nullptr) << "no expectations for " << dpi << " dpi";

  ScaledWindow window;
  windowscale::ShowDownloading(window, "http://www.kolvarin.example/programlar/radyo/kolvarin.txt");
  window.Show();
  QWidget* widget = &static_cast<platform::posix::TQtWindowHost*>(window.Host())->Widget();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.DirtyRects().empty(); }, 2000));
  QTest::qWait(100);
  EXPECT_EQ(window.Dpi(), dpi);
  EXPECT_EQ(window.Bitmap().Size(), scale->client);

  // The layout stays in pixels of 100 %; on the device each control lies at its scaled place.
  for (const std::string& failure : windowscale::Check(
           windowscale::Placement(window), dpi, windowscale::Placement(window, platform::BaseDpi)))
    ADD_FAILURE() << failure;

  // The X window itself: its size in device pixels and its pixels the form's picture.
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  ASSERT_TRUE(display);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display.get(), widget->winId(), &attributes));
  EXPECT_EQ((platform::TSize{attributes.width, attributes.height}), scale->client);
  const std::unique_ptr<XImage, ImageDestroyer> shown(
      XGetImage(display.get(), widget->winId(), 0, 0, static_cast<unsigned>(attributes.width),
                static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap));
  ASSERT_TRUE(shown);
  const platform::TBitmap& picture = window.Bitmap();
  QImage screenshot(attributes.width, attributes.height, QImage::Format_RGB32);
  int different = 0;
  for (int y = 0; y < attributes.height; ++y) {
    for (int x = 0; x < attributes.width; ++x) {
      const auto pixel = static_cast<std::uint32_t>(XGetPixel(shown.get(), x, y)) & 0xFFFFFFu;
      screenshot.setPixel(x, y, 0xFF000000u | pixel);
      if (x < picture.Width() && y < picture.Height() &&
          pixel != (picture.Pixel(x, y) & 0xFFFFFFu) && different++ < 5)
        ADD_FAILURE() << "the window shows " << std::hex << pixel << " at " << std::dec << x << ","
                      << y << ", the picture " << std::hex << picture.Pixel(x, y);
    }
  }
  EXPECT_EQ(different, 0);
  if (const char* folder = std::getenv("KOLVARIN_SCREENSHOTS"))
    screenshot.save(QString::fromLocal8Bit(folder) +
                    QStringLiteral("/linux-qt-%1.png").arg(dpi * 100 / 96));
  window.Hide();
}

} // namespace
