#pragma once

// The window of the player stand-ins (kv-fake-player-win, kv-recording-player-win): a top-level
// window of class "Kolvarin", the class the updater looks for.
#include <windows.h>

namespace standin {

inline bool g_ignoreClose = false;

inline LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CLOSE:
    if (!g_ignoreClose)
      DestroyWindow(window);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Makes the player's window, not yet shown; null when the class or the window cannot be made.
inline HWND MakePlayerWindow(HINSTANCE instance) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = L"Kolvarin";
  if (!RegisterClassW(&windowClass))
    return nullptr;
  return CreateWindowExW(0, L"Kolvarin", L"Kolvarin", WS_OVERLAPPEDWINDOW, 10, 10, 240, 120,
                         nullptr, nullptr, instance, nullptr);
}

// Shows the window without taking the focus and serves it until it is destroyed: it closes on
// WM_CLOSE unless `ignoresClose`, and when `hangs` its thread never takes another message. The
// program's exit code: 4 when the window cannot be made.
inline int ShowPlayerWindow(HINSTANCE instance, bool ignoresClose, bool hangs) {
  g_ignoreClose = ignoresClose;
  HWND window = MakePlayerWindow(instance);
  if (!window)
    return 4;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  if (hangs)
    Sleep(INFINITE);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

} // namespace standin
