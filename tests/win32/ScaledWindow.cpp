// The main window at the display's dpi (under Wine, the prefix's LogPixels), reported for the
// tests of the window at the display scales.
//
//   kv-scaled-window-win [NEWDPI|- [SHOT.bmp]]
//
// Prints "awareness A", "dpi D", "client W H", "picture W H", "hot NAME" (the control under
// the mouse moved to the last device pixel of the Vazgeç button) and the placement of the
// controls (WindowScale.h). With NEWDPI it then sends the window a WM_DPICHANGED to that dpi, with
// a rectangle of the client area scaled to it, moved by (30, 20), and prints "suggested L T R B",
// "window L T R B" and the same as before. With SHOT.bmp it then saves what the screen shows
// of the window's client area as a 24-bit BMP file.
#include "WindowScale.h"
#include "app/TFRMUPDATE.h"
#include "platform/Application.h"
#include "platform/win32/WindowHost.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

class ScaledWindow : public app::TFRMUPDATE {
public:
  explicit ScaledWindow(platform::TApplication& application)
      : TFRMUPDATE(application, false, app::PublisherAt("kolvarin-test.example")) {}
  void KvButton5Click() override {}
};

const char* AwarenessName(platform::win32::TDpiAwareness awareness) {
  switch (awareness) {
  case platform::win32::TDpiAwareness::PerMonitorV2:
    return "PerMonitorV2";
  case platform::win32::TDpiAwareness::PerMonitor:
    return "PerMonitor";
  case platform::win32::TDpiAwareness::System:
    return "System";
  default:
    return "Unaware";
  }
}

void Pump(platform::TApplication& application, DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    application.ProcessMessages();
    Sleep(10);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

void PrintState(ScaledWindow& window, HWND handle) {
  RECT client{};
  GetClientRect(handle, &client);
  const platform::TBitmap& picture = window.HostPaint();
  std::printf("dpi %d\nclient %ld %ld\npicture %d %d\n", window.Dpi(), client.right, client.bottom,
              picture.Width(), picture.Height());
  // The mouse on the button's last device pixel: a position left in device pixels would be
  // past the button (and, beyond 100 %, past the window's layout).
  const platform::TRect button = windowscale::Placement(window).back().device;
  SendMessageW(handle, WM_MOUSEMOVE, 0, MAKELPARAM(button.Right - 1, button.Bottom - 1));
  std::string hot = "none";
  for (const auto& [name, control] : windowscale::Named(window))
    if (control == window.HotControl())
      hot = name;
  std::printf("hot %s\n", hot.c_str());
  std::fputs(windowscale::Report(windowscale::Placement(window)).c_str(), stdout);
}

bool SaveScreenshot(HWND handle, const char* path) {
  RECT client{};
  GetClientRect(handle, &client);
  POINT origin{0, 0};
  ClientToScreen(handle, &origin);
  const RECT area{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  const int width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const int stride = (width * 3 + 3) & ~3;
  std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* file = std::fopen(path, "wb");
  if (!file)
    return false;
  std::fwrite(&header, sizeof header, 1, file);
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file);
  std::fwrite(pixels.data(), 1, pixels.size(), file);
  return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
  platform::TApplication application(argc, argv);
  ScaledWindow window(application);
  windowscale::ShowDownloading(window, "http://www.kolvarin.example/programlar/radyo/kolvarin.txt");
  window.Show();
  Pump(application, 300);
  auto* host = static_cast<platform::win32::TWin32WindowHost*>(window.Host());
  const HWND handle = host->Handle();
  std::printf("awareness %s\n", AwarenessName(platform::win32::DeclareDpiAwareness()));
  PrintState(window, handle);
  if (argc > 1 && std::string(argv[1]) != "-") {
    const int dpi = std::atoi(argv[1]);
    RECT frame{0, 0, windowscale::Nearest(409, dpi), windowscale::Nearest(305, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE)), FALSE, 0);
    RECT now{};
    GetWindowRect(handle, &now);
    RECT suggested{now.left + 30, now.top + 20, now.left + 30 + frame.right - frame.left,
                   now.top + 20 + frame.bottom - frame.top};
    SendMessageW(handle, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Pump(application, 300);
    RECT placed{};
    GetWindowRect(handle, &placed);
    std::printf("suggested %ld %ld %ld %ld\nwindow %ld %ld %ld %ld\n", suggested.left,
                suggested.top, suggested.right, suggested.bottom, placed.left, placed.top,
                placed.right, placed.bottom);
    PrintState(window, handle);
  }
  if (argc > 2 && !SaveScreenshot(handle, argv[2]))
    return 1;
  std::fflush(stdout);
  return 0;
}
