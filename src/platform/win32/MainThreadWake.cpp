#include "platform/MainThreadWake.h"

#include "platform/TThread.h"
#include "platform/win32/HandOff.h"

#include <atomic>
#include <windows.h>

namespace platform {

namespace {

// Posted to the user-interface thread's wake window when a hand-off waits for it.
constexpr UINT WakeMessage = WM_APP + 0x4B;

// A window, not the thread, receives the wake: a modal loop (a message box, moving the window)
// dispatches a window's messages but drops the thread's, and a worker would wait for good.
std::atomic<HWND> g_wakeWindow{nullptr};

LRESULT CALLBACK WakeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WakeMessage) {
    CheckSynchronize();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWakeWindow() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WakeWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KolvarinWake";
  RegisterClassExW(&windowClass);
  return CreateWindowExW(0, L"KolvarinWake", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

} // namespace

void PrepareWake() {
  HWND previous = g_wakeWindow.exchange(nullptr);
  if (previous)
    DestroyWindow(previous);
  g_wakeWindow = MakeWakeWindow();
}

void WakeMainThread() {
  if (HWND window = g_wakeWindow.load())
    PostMessageW(window, WakeMessage, 0, 0);
}

void EndWake() {
  // Messages posted from now on are not looked at: nothing to undo.
}

bool IsWakeMessage(unsigned message) {
  return message == WakeMessage;
}

} // namespace platform
