#pragma once

#include "platform/DeviceScale.h"
#include "platform/FramePacer.h"
#include "platform/WindowHost.h"
#include "platform/win32/MsaaAccessible.h"

#include <string_view>
#include <windows.h>

namespace platform::win32 {

// A form's window on Windows: one top-level HWND whose client area shows the form's picture.
// The controls are drawn inside it, not child windows, so the whole form is one double
// buffer, and hot tracking needs one TrackMouseEvent on one window. Its window procedure
// translates the messages into the form's host entry points; an exception a handler lets
// escape ends at the application object's catch point, never inside the system's code.
class TWin32WindowHost final : public TWindowHost {
public:
  explicit TWin32WindowHost(TWindowEvents& events);
  ~TWin32WindowHost() override;
  TWin32WindowHost(const TWin32WindowHost&) = delete;
  TWin32WindowHost& operator=(const TWin32WindowHost&) = delete;

  HWND Handle() const { return m_window; }

  void Show() override;
  void Hide() override;
  bool Visible() const override;
  void SetTitle(const std::string& title) override;
  void SetClientSize(TSize size) override;
  void SetPosition(TPoint position) override;
  // The window's dpi: the monitor's it is on (GetDpiForWindow), else the system's.
  int Dpi() const override { return m_dpi; }
  void Invalidate(const TRect& rect) override;
  void SetCursor(TCursor cursor) override;
  void SetCapture(bool capture) override;
  void SetIcon(const std::vector<TBitmap>& sizes) override;
  void CentreOnScreen() override;
  void AccessibleChanged(int id, TAccessibleChange change) override;

  // A rectangle of the client area, in layout pixels, in the screen's device pixels: screen
  // readers place the parts and find them at a point through this alone.
  RECT ScreenRect(const TRect& rect) const;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  // Hands what the pacer gathered to the system's update region.
  void InvalidatePending();
  bool KeyDown(WPARAM wParam, LPARAM lParam, bool system);
  // The window moved to a monitor of another dpi: laid out again at `dpi`, the window placed
  // at the system's suggested rectangle (device pixels of the screen).
  void DpiChanged(int dpi, const RECT& suggested);
  // The window's size with its frame for a client area of `size` layout pixels at `dpi`.
  static RECT FrameFor(TSize size, int dpi);

  TWindowEvents& m_events;
  HWND m_window = nullptr;
  int m_dpi = BaseDpi;
  TSize m_clientSize; // in layout pixels, as the form asked
  HICON m_bigIcon = nullptr;
  HICON m_smallIcon = nullptr;
  bool m_tracking = false;
  TCursor m_cursor = TCursor::Arrow;
  // Paints at most once a frame: a download changes the labels for every chunk.
  TFramePacer m_pacer;
  bool m_frameTimer = false;
  // What screen readers were handed for the client area; it outlives the window in theirs.
  TMsaaObject m_accessible;
};

// How the process is aware of the display's dpi, from what the system granted.
enum class TDpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

// Makes the process aware of each monitor's dpi, once, before its first window: per monitor
// (version 2) where the system allows it, else per monitor (version 1), else the system's
// dpi. The manifest declares the same; this covers a system that ignores the manifest's
// entries (Wine) and is the answer for one that has applied them already. Returns what holds
// afterwards. The calls are looked up at run time: Windows 7 has none of the per-monitor ones.
TDpiAwareness DeclareDpiAwareness();

// The dpi of a window (its monitor's where the system knows per-monitor dpi), else the
// system's.
int WindowDpi(HWND window);

// The picture among `sizes` for an icon of `size` pixels square; null when there is none.
const TBitmap* IconPicture(const std::vector<TBitmap>& sizes, int size);
// An icon of the picture (pixels 0xAARRGGBB, colours premultiplied by alpha); null on failure.
HICON IconFromPicture(const TBitmap& picture);

// The character a key stands for, for accelerators: the first of the text it typed, else its
// own in the keyboard layout, else `key`'s letter or digit; 0 for none.
char32_t KeyCodePoint(WPARAM virtualKey, std::wstring_view text, TKey key);

// Our key for a virtual-key code; TKey::None for keys the controls do not know.
TKey KeyFromVirtualKey(WPARAM virtualKey);

} // namespace platform::win32
