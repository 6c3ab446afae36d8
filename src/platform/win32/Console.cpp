#include "platform/Console.h"

#include "platform/TThread.h"
#include "platform/win32/HandOff.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

struct TConsoleApplication::State {};

namespace {

// Standard output and error carry bytes as on Linux: no CR added before each LF.
const bool s_binaryStreams = [] {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return true;
}();

} // namespace

TConsoleApplication::TConsoleApplication(int&, char**) {
  SetMainThread();
}

TConsoleApplication::~TConsoleApplication() {
  CloseSynchronize();
}

void ProcessMessages(bool wait) {
  // A hand-off queued before its wake message was posted is served here too.
  if (CheckSynchronize() > 0)
    wait = false;
  MSG message;
  if (wait)
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.hwnd == nullptr && IsWakeMessage(message.message)) {
      CheckSynchronize();
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CheckSynchronize();
}

bool WriteStandardOutput(const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

} // namespace platform
