#include "platform/Application.h"

#include "platform/Exceptions.h"
#include "platform/MessageBox.h"
#include "platform/TThread.h"
#include "platform/WindowHost.h"

#include <windows.h>

namespace platform {

namespace {

TApplication* g_instance = nullptr;

} // namespace

TApplication::TApplication(int&, char**) {
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

void TApplication::RegisterForm(TWindowHost* form) {
  if (!m_mainWindow)
    m_mainWindow = form;
}

int TApplication::Run() {
  if (m_mainWindow)
    Dispatch([this] { m_mainWindow->Show(); });
  // A hand-off queued before its wake message was posted is served at the start.
  CheckSynchronize();
  MSG message;
  // The hand-offs' wake-ups are window messages, dispatched like the rest.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

void TApplication::Terminate() {
  m_terminated = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(const std::exception_ptr& error) {
  const ExceptionReport report = DescribeException(error);
  if (report.silent)
    return;
  ShowErrorBox(report.text);
}

void TApplication::Dispatch(const std::function<void()>& handler) {
  std::exception_ptr error;
  try {
    handler();
  } catch (...) {
    error = std::current_exception();
  }
  // Shown outside the catch block: the error box runs a modal loop of its own.
  if (error)
    HandleException(error);
}

} // namespace platform
