// The player's window on Windows: found by its class, asked to close with WM_CLOSE.
#include "platform/DesktopWindows.h"
#include "platform/win32/Unicode.h"

#include <string>
#include <windows.h>

namespace platform {

namespace {

HWND Native(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

} // namespace

WindowHandle FindWindowByClass(std::string_view className) {
  // Window class names compare without regard to case.
  const HWND window = FindWindowW(win32::Widen(className).c_str(), nullptr);
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

void RequestWindowClose(WindowHandle window, std::chrono::milliseconds timeout) {
  DWORD_PTR result = 0;
  // A hung window's thread does not hold the updater: SMTO_ABORTIFHUNG returns at once.
  SendMessageTimeoutW(Native(window), WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG,
                      static_cast<UINT>(timeout.count()), &result);
}

bool IsWindow(WindowHandle window) {
  return window != NoWindow && ::IsWindow(Native(window)) != FALSE;
}

bool IsWindowVisible(WindowHandle window) {
  return IsWindow(window) && ::IsWindowVisible(Native(window)) != FALSE;
}

pid_t WindowProcessId(WindowHandle window) {
  DWORD process = 0;
  if (!IsWindow(window) || GetWindowThreadProcessId(Native(window), &process) == 0)
    return 0;
  return static_cast<pid_t>(process);
}

} // namespace platform
