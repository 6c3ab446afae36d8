// The floor of a Win32 program's start, for the start-to-window benchmark: a window of class
// "KvBareWindow" with the updater's client size (409 × 305) and a few captions drawn with
// DrawTextW in unsmoothed Tahoma, shown at once.
//
//   kv-bare-window [--exit-after-paint]
//
// It runs until closed; with --exit-after-paint it ends (exit 0) once the first paint is done.
#include <cwchar>
#include <windows.h>

namespace {

bool g_exitAfterPaint = false;
HFONT g_font = nullptr;
HFONT g_bold = nullptr;

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SetBkMode(dc, TRANSPARENT);
  struct Caption {
    HFONT font;
    RECT box;
    const wchar_t* text;
    UINT format;
  };
  const Caption captions[] = {
      {g_bold, {8, 8, 401, 24}, L"Kolvarin Radyo Güncelleme", DT_LEFT},
      {g_font, {8, 40, 401, 56}, L"Sürüm denetleniyor, lütfen bekleyin…", DT_LEFT},
      {g_font, {8, 64, 401, 80}, L"İndirilen: 0 KB / 0 KB", DT_LEFT},
      {g_font, {8, 88, 401, 104}, L"Kalan süre: 00:00:00", DT_LEFT},
      {g_bold, {230, 268, 305, 293}, L"Güncelle", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {g_bold, {318, 268, 393, 293}, L"Vazgeç", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
  };
  for (const Caption& caption : captions) {
    SelectObject(dc, caption.font);
    RECT box = caption.box;
    DrawTextW(dc, caption.text, -1, &box, caption.format | DT_NOPREFIX);
  }
  EndPaint(window, &paint);
  if (g_exitAfterPaint)
    PostMessageW(window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    Paint(window);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

HFONT Tahoma(int weight) {
  return CreateFontW(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     L"Tahoma");
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  g_exitAfterPaint = std::wcsstr(commandLine, L"--exit-after-paint") != nullptr;
  g_font = Tahoma(FW_NORMAL);
  g_bold = Tahoma(FW_BOLD);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = L"KvBareWindow";
  if (!RegisterClassW(&windowClass))
    return 3;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, 409, 305};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND window = CreateWindowExW(0, L"KvBareWindow", L"Kolvarin Radyo Güncelleme", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!window)
    return 4;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  DeleteObject(g_font);
  DeleteObject(g_bold);
  return 0;
}
