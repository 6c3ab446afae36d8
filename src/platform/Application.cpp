// The application object's parts that are the same on every system: its catch point and its
// main window.
#include "platform/Application.h"

#include "platform/Exceptions.h"
#include "platform/MessageBox.h"

#include <exception>
#include <functional>

namespace platform {

void TApplication::RegisterForm(TWindowHost* form) {
  if (!m_mainWindow)
    m_mainWindow = form;
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
