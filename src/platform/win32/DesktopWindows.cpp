// The player's window on Windows: found by its class (among all or among the shown windows),
// asked to close with WM_CLOSE.
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

WindowHandle FindShownWindowByClass(std::string_view className) {
  struct Search {
    std::wstring className;
    HWND found = nullptr;
  } search{win32::Widen(className)};
  // Top-level windows come topmost first; a program may keep hidden windows of its own class,
  // which FindWindowW would name as readily as a shown one.
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        wchar_t name[257];
        const int length = GetClassNameW(window, name, 257);
        if (length <= 0 || !::IsWindowVisible(window) ||
            CompareStringOrdinal(name, length, wanted.className.c_str(),
                                 static_cast<int>(wanted.className.size()), TRUE) != CSTR_EQUAL)
          return TRUE;
        wanted.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(search.found));
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
