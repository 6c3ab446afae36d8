#include "platform/Console.h"

#include "platform/TThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <unistd.h>

namespace platform {

struct TConsoleApplication::State {
  State(int& argc, char** argv) : application(argc, argv) {}
  QCoreApplication application;
};

TConsoleApplication::TConsoleApplication(int& argc, char** argv) : m_state(new State(argc, argv)) {
  SetMainThread();
}

TConsoleApplication::~TConsoleApplication() {
  CloseSynchronize();
  delete m_state;
}

void ProcessMessages(bool wait) {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(wait ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                       : QEventLoop::AllEvents);
}

bool WriteStandardOutput(const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(STDOUT_FILENO, bytes.data() + written, bytes.size() - written);
    if (n <= 0)
      return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

} // namespace platform
