#include "platform/MessageBox.h"

#include "platform/Application.h"
#include "platform/win32/Unicode.h"

#include <windows.h>

namespace platform {

namespace {

void RunBox(const std::string& text, UINT icon) {
  const TApplication* application = TApplication::Instance();
  const std::wstring title = win32::Widen(application ? application->Title() : std::string());
  // Without an owner, task-modal keeps the thread's other windows disabled while it shows.
  MessageBoxW(nullptr, win32::Widen(text).c_str(), title.c_str(),
              MB_OK | icon | MB_TASKMODAL | MB_SETFOREGROUND);
}

} // namespace

void ShowMessageBox(const std::string& text) {
  RunBox(text, 0);
}

void ShowErrorBox(const std::string& text) {
  RunBox(text, MB_ICONERROR);
}

} // namespace platform
