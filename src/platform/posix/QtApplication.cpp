#include "platform/Application.h"

#include "platform/DesktopWindows.h"
#include "platform/TThread.h"
#include "platform/WindowHost.h"

#include <QApplication>
#include <QMetaObject>
#include <QTimer>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <string_view>
#include <thread>

namespace platform {

namespace {

// Catches at event dispatch whatever an event handler lets escape.
class DispatchingApplication final : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    std::exception_ptr error;
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      error = std::current_exception();
    }
    // Shown outside the catch block: the error box runs a nested event loop.
    if (TApplication* application = TApplication::Instance())
      application->HandleException(error);
    return false;
  }
};

} // namespace

bool TApplication::CanShowWindows(std::string& problem) {
  const char* platformName = std::getenv("QT_QPA_PLATFORM");
  const char* display = std::getenv("DISPLAY");
  if (!display && !std::getenv("WAYLAND_DISPLAY") && !platformName) {
    problem = "no display to show the window on (DISPLAY is not set)";
    return false;
  }
  const bool onX11 = !platformName || std::string_view(platformName).starts_with("xcb");
  if (onX11 && display && !std::getenv("WAYLAND_DISPLAY") && !DisplayReachable()) {
    problem = std::string("cannot reach the display ") + display + " to show the window on";
    return false;
  }
  return true;
}

namespace {

// Reading the font configuration takes about as long as starting the toolkit: done side by
// side, the window's fonts are ready sooner.
DispatchingApplication* StartToolkit(int& argc, char** argv) {
  std::thread fonts([] { FcInit(); });
  auto* qt = new DispatchingApplication(argc, argv);
  fonts.join();
  return qt;
}

} // namespace

// The toolkit's application object, which runs the event loop.
struct TApplication::TSystemLoop {
  TSystemLoop(int& argc, char** argv) : qt(StartToolkit(argc, argv)) {}
  std::unique_ptr<DispatchingApplication> qt;
};

TApplication::TApplication(int& argc, char** argv)
    : m_loop(std::make_unique<TSystemLoop>(argc, argv)) {
  // Closing a message box while the main window is still hidden must not end the program:
  // only the terminate request does.
  QApplication::setQuitOnLastWindowClosed(false);
  s_instance = this;
  SetMainThread();
}

TApplication::~TApplication() {
  // A worker still running must not wait for hand-offs that will never run.
  CloseSynchronize();
  s_instance = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  if (title == m_title)
    return;
  m_title = title;
  QApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents();
}

void TApplication::DispatchAfter(std::chrono::milliseconds delay,
                                 std::function<void()> handler) {
  QTimer::singleShot(delay, m_loop->qt.get(),
                     [this, handler = std::move(handler)] { Dispatch(handler); });
}

int TApplication::Run() {
  if (m_mainWindow && !m_terminated && !m_keepMainWindowHidden)
    Dispatch([this] { m_mainWindow->Show(); });
  QApplication::exec();
  return m_exitCode;
}

void TApplication::Terminate() {
  m_terminated = true;
  // Queued, so that a request made before the loop runs is taken when it does.
  QMetaObject::invokeMethod(m_loop->qt.get(), &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace platform
