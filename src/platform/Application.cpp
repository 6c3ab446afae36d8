#include "platform/Application.h"

#include "platform/Exceptions.h"
#include "platform/MessageBox.h"
#include "platform/TThread.h"
#include "platform/WindowHost.h"

#include <QApplication>
#include <QMetaObject>
#include <QTimer>

namespace platform {

namespace {

TApplication* g_instance = nullptr;

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
    if (g_instance)
      g_instance->HandleException(error);
    return false;
  }
};

} // namespace

TApplication::TApplication(int& argc, char** argv)
    : m_qt(std::make_unique<DispatchingApplication>(argc, argv)) {
  // Closing a message box while the main window is still hidden must not end the program:
  // only the terminate request does.
  QApplication::setQuitOnLastWindowClosed(false);
  g_instance = this;
  SetMainThread();
}

TApplication::~TApplication() {
  // A worker still running must not wait for hand-offs that will never run.
  CloseSynchronize();
  g_instance = nullptr;
}

TApplication* TApplication::Instance() noexcept {
  return g_instance;
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
  QTimer::singleShot(delay, m_qt.get(),
                     [this, handler = std::move(handler)] { Dispatch(handler); });
}

void TApplication::RegisterForm(TWindowHost* form) {
  if (!m_mainWindow)
    m_mainWindow = form;
}

int TApplication::Run() {
  if (m_mainWindow)
    Dispatch([this] { m_mainWindow->Show(); });
  QApplication::exec();
  return 0;
}

void TApplication::Terminate() {
  m_terminated = true;
  // Queued, so that a request made before the loop runs is taken when it does.
  QMetaObject::invokeMethod(m_qt.get(), &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace platform
