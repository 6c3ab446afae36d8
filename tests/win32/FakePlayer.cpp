// A stand-in for the player: a window of class "Kolvarin" that, by its argument, closes on
// WM_CLOSE ("closes"), ignores it ("ignores") or stops answering messages ("hangs").
#include <cwchar>
#include <windows.h>

namespace {

bool g_ignoreClose = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const bool hangs = std::wcsstr(commandLine, L"hangs") != nullptr;
  g_ignoreClose = std::wcsstr(commandLine, L"ignores") != nullptr;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"Kolvarin";
  if (!RegisterClassW(&windowClass))
    return 3;
  HWND window = CreateWindowExW(0, L"Kolvarin", L"Kolvarin", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                nullptr, nullptr, instance, nullptr);
  if (!window)
    return 4;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  if (hangs) {
    // Never takes another message: the window's thread is hung.
    Sleep(INFINITE);
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
