#pragma once

#include "platform/Accessibility.h"
#include "platform/Bitmap.h"
#include "platform/DeviceScale.h"
#include "platform/Geometry.h"
#include "platform/Input.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

// What a window host reports to the window object that owns it. Positions are in the window's
// client area, in pixels of the layout (not device pixels; see DeviceScale.h).
class TWindowEvents {
public:
  virtual ~TWindowEvents() = default;

  virtual void HostMouseMove(TPoint position, unsigned shift) = 0;
  virtual void HostMouseDown(TMouseButton button, TPoint position, unsigned shift) = 0;
  virtual void HostMouseUp(TMouseButton button, TPoint position, unsigned shift) = 0;
  // The mouse left the client area (not reported while the window holds the capture).
  virtual void HostMouseLeave() = 0;
  // The window lost the mouse capture it had asked for (another window took it).
  virtual void HostCaptureLost() = 0;
  // A key with the text it types (UTF-8, empty for keys that type nothing) and the character
  // it stands for, also while Alt or Ctrl is held (a code point in either case, 0 for none:
  // what an accelerator matches); true when the window used it, so the system does nothing
  // more with it.
  virtual bool HostKeyDown(TKey key, unsigned shift, const std::string& text,
                           char32_t character) = 0;
  // The same, the character being the one the text begins with, else the key's letter or digit.
  bool HostKeyDown(TKey key, unsigned shift, const std::string& text) {
    const char32_t typed = FirstCodePoint(text);
    return HostKeyDown(key, shift, text, typed > U' ' ? typed : KeyCharacter(key));
  }
  virtual void HostKeyUp(TKey key, unsigned shift) = 0;
  // The window got or lost the keyboard focus.
  virtual void HostActivate(bool active) = 0;
  // The user asked to close the window (its close box); the window object decides.
  virtual void HostCloseRequest() = 0;
  // The client area's new size in pixels of the layout and the display's dpi (96 is 100 %).
  virtual void HostResize(TSize size, int dpi) = 0;
  // The user changed the system colours (or a setting that may change them): the whole
  // picture is painted again with the new ones.
  virtual void HostSystemColorsChanged() {}
  // Brings the picture up to date and returns it: DeviceSize(size, dpi) device pixels, top-left
  // at the client area's top-left.
  virtual const TBitmap& HostPaint() = 0;
  // The window's parts for the system's accessibility clients; null for a window without.
  virtual TAccessibleTree* HostAccessibleTree() { return nullptr; }
};

// One top-level window of the platform, owned by a window object that draws all of its
// content into one picture; the host shows that picture and reports input.
class TWindowHost {
public:
  virtual ~TWindowHost() = default;

  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void SetTitle(const std::string& title) = 0; // UTF-8
  // The client area's size in pixels of the layout; the host makes it that at its dpi.
  virtual void SetClientSize(TSize size) = 0;
  virtual void SetPosition(TPoint position) = 0;
  // The display's dpi for this window (96 is 100 %, 144 is 150 %).
  virtual int Dpi() const = 0;
  // Asks for a HostPaint soon; the rectangle is in pixels of the layout of the client area.
  virtual void Invalidate(const TRect& rect) = 0;
  virtual void SetCursor(TCursor cursor) = 0;
  // Keeps the mouse's reports coming to this window while a button is held outside it.
  virtual void SetCapture(bool capture) = 0;
  // The window's icon at its sizes (pixels 0xAARRGGBB, colours premultiplied by alpha); a host
  // without icons ignores it.
  virtual void SetIcon(const std::vector<TBitmap>&) {}
  // Puts the window, with its frame, in the middle of the screen, and again once the window
  // manager tells the frame; a host without a screen ignores it.
  virtual void CentreOnScreen() {}
  // Tells the system's accessibility clients that a part of the window (its id in the tree of
  // HostAccessibleTree) changed; a host without accessibility ignores it.
  virtual void AccessibleChanged(int, TAccessibleChange) {}
};

// The platform's window, reporting to `events`; hidden until shown.
std::unique_ptr<TWindowHost> CreateWindowHost(TWindowEvents& events);

} // namespace platform
