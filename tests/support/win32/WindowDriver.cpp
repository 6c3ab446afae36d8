// clang-format off
// The drawing kit's colour functions before the system's macros of the same names.
#include "WindowDriver.h"
#include "platform/Application.h"
#include "platform/win32/WindowHost.h"
// clang-format on

#include <chrono>
#include <thread>
#include <windows.h>

namespace testsupport {

namespace {

HWND HandleOf(controls::TForm& form) {
  return static_cast<platform::win32::TWin32WindowHost*>(form.Host())->Handle();
}

// Handles the window's messages for a while, as the application's loop does.
void HandleMessages(int milliseconds = 50) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    platform::TApplication::Instance()->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < end);
}

UINT VirtualKeyOf(platform::TKey key) {
  using platform::TKey;
  switch (key) {
  case TKey::Tab:
    return VK_TAB;
  case TKey::Enter:
    return VK_RETURN;
  case TKey::Escape:
    return VK_ESCAPE;
  case TKey::Space:
    return VK_SPACE;
  default:
    // Letters and digits: their virtual-key codes are their characters.
    return static_cast<UINT>(key);
  }
}

LPARAM KeyData(UINT virtualKey, bool alt, bool release) {
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  return 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1 << 29) : 0) | (release ? (3u << 30) : 0);
}

// Holds Shift down in the thread's key state, where the window reads it.
void HoldShift(bool down) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_SHIFT] = down ? 0x80 : 0;
  state[VK_LSHIFT] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

} // namespace

bool WaitWindowActive(controls::TForm& form) {
  HWND window = HandleOf(form);
  SetForegroundWindow(window);
  SetFocus(window);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (GetFocus() != window || !IsWindowVisible(window)) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    HandleMessages(20);
  }
  HandleMessages(100);
  return true;
}

void PressKey(controls::TForm& form, platform::TKey key, unsigned shift) {
  HWND window = HandleOf(form);
  const UINT virtualKey = VirtualKeyOf(key);
  const bool alt = (shift & platform::ssAlt) != 0;
  if (shift & platform::ssShift)
    HoldShift(true);
  // Alt held makes the key a system key, as the system sends it.
  PostMessageW(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey,
               KeyData(virtualKey, alt, false));
  HandleMessages();
  PostMessageW(window, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, KeyData(virtualKey, alt, true));
  HandleMessages();
  if (shift & platform::ssShift)
    HoldShift(false);
}

void ClickAt(controls::TForm& form, platform::TPoint point) {
  HWND window = HandleOf(form);
  const LPARAM at = MAKELPARAM(point.X, point.Y);
  PostMessageW(window, WM_MOUSEMOVE, 0, at);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
  HandleMessages(100);
}

void TakeQuitRequest() {
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

platform::TBitmap WindowPicture(controls::TForm& form) {
  HWND window = HandleOf(form);
  // What is on the screen: the window's client area copied from its device context.
  HandleMessages(50);
  RECT client{};
  GetClientRect(window, &client);
  const int width = client.right, height = client.bottom;
  platform::TBitmap picture(width, height);
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, dib);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.SetPixel(x, y, 0xFF000000u | pixels[static_cast<std::size_t>(y) * width + x]);
  SelectObject(memoryDc, old);
  DeleteObject(dib);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return picture;
}

TUserColorScheme::TUserColorScheme(const std::vector<TSchemeColor>& scheme) {
  std::vector<INT> indexes;
  std::vector<COLORREF> values;
  for (const TSchemeColor& each : scheme) {
    const COLORREF previous = GetSysColor(each.index);
    // COLORREF and TColor are both 0x00BBGGRR.
    m_previous.push_back({each.index, static_cast<controls::TColor>(previous & 0xFFFFFF)});
    indexes.push_back(each.index);
    values.push_back(static_cast<COLORREF>(each.color));
  }
  // Every top-level window hears WM_SYSCOLORCHANGE.
  SetSysColors(static_cast<int>(indexes.size()), indexes.data(), values.data());
}

TUserColorScheme::~TUserColorScheme() {
  std::vector<INT> indexes;
  std::vector<COLORREF> values;
  for (const TSchemeColor& each : m_previous) {
    indexes.push_back(each.index);
    values.push_back(static_cast<COLORREF>(each.color));
  }
  SetSysColors(static_cast<int>(indexes.size()), indexes.data(), values.data());
}

} // namespace testsupport
