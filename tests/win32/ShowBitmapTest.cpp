// A picture of ours shown on a real window under the display: the pixels of the area asked
// for, at the same place, and nothing else.
#include "platform/win32/ShowBitmap.h"

#include <gtest/gtest.h>

namespace {

using platform::TBitmap;
using platform::TRect;

constexpr int Width = 64;
constexpr int Height = 48;
constexpr std::uint32_t Black = 0xFF000000u;

// A visible top-level window of exactly Width × Height client pixels.
class TTestWindow {
public:
  TTestWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KolvarinShowBitmapTest";
    RegisterClassW(&windowClass);
    m_window =
        CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 40,
                        40, Width, Height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (m_window) {
      UpdateWindow(m_window);
      Pump();
      m_dc = GetDC(m_window);
    }
  }
  ~TTestWindow() {
    if (m_dc)
      ReleaseDC(m_window, m_dc);
    if (m_window)
      DestroyWindow(m_window);
  }
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;

  HDC Dc() const { return m_dc; }
  void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
  }
  void Fill(std::uint32_t colour) {
    const RECT all{0, 0, Width, Height};
    HBRUSH brush = CreateSolidBrush(Native(colour));
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
  }
  // The window's pixel as 0xFFRRGGBB.
  std::uint32_t Pixel(int x, int y) const {
    const COLORREF colour = GetPixel(m_dc, x, y);
    return 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  }
  static COLORREF Native(std::uint32_t colour) {
    return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
  }

private:
  HWND m_window = nullptr;
  HDC m_dc = nullptr;
};

// Every pixel its own colour, so a shifted, flipped or mirrored copy shows.
TBitmap Pattern() {
  TBitmap bitmap(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      bitmap.SetPixel(x, y,
                      0xFF000000u | (static_cast<std::uint32_t>(x * 4) << 16) |
                          static_cast<std::uint32_t>(y * 5) << 8 | 0x80u);
  return bitmap;
}

TEST(WinShowBitmap, OnlyTheAreaIsShownAtItsOwnPlace) {
  TTestWindow window;
  ASSERT_NE(window.Dc(), nullptr) << "no window needs a display (DISPLAY)";
  const TBitmap bitmap = Pattern();
  struct Case {
    const char* name;
    TRect area;
    TRect shown;
  };
  for (const Case c : {Case{"all", {0, 0, Width, Height}, {0, 0, Width, Height}},
                       Case{"inside", {10, 5, 41, 30}, {10, 5, 41, 30}},
                       Case{"one pixel", {63, 47, 64, 48}, {63, 47, 64, 48}},
                       Case{"past the edges", {-5, 20, 30, 100}, {0, 20, 30, Height}},
                       Case{"outside", {70, 0, 90, 10}, {0, 0, 0, 0}}}) {
    SCOPED_TRACE(c.name);
    window.Fill(Black);
    platform::ShowBitmap(window.Dc(), bitmap, c.area);
    GdiFlush();
    int wrong = 0;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const std::uint32_t expected = c.shown.Contains({x, y}) ? bitmap.Pixel(x, y) : Black;
        if (window.Pixel(x, y) != expected && wrong++ < 3)
          ADD_FAILURE() << "at " << x << "," << y << ": " << std::hex << window.Pixel(x, y)
                        << " instead of " << expected;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(WinShowBitmap, AnEmptyBitmapShowsNothing) {
  TTestWindow window;
  ASSERT_NE(window.Dc(), nullptr) << "no window needs a display (DISPLAY)";
  window.Fill(0xFF102030u);
  platform::ShowBitmap(window.Dc(), TBitmap(), {0, 0, Width, Height});
  EXPECT_EQ(window.Pixel(0, 0), 0xFF102030u);
  EXPECT_EQ(window.Pixel(Width - 1, Height - 1), 0xFF102030u);
}

} // namespace
