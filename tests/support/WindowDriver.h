#pragma once

// Drives a form's real window as a user would, the same way on both systems: keys sent to the
// window through the system (Linux: the toolkit's key events to the host widget under the
// tests' X server; Windows: key messages posted to the window and run through the message
// loop), the picture the window shows read back, and the user's colours switched.

#include "controls/Colors.h"
#include "controls/TForm.h"
#include "platform/Bitmap.h"
#include "platform/Input.h"

#include <cstdint>
#include <vector>

namespace testsupport {

// Waits until the form's window is on the screen and has the keyboard focus.
bool WaitWindowActive(controls::TForm& form);

// A key pressed and released in the form's window with the modifiers `shift` (ssShift, ssAlt)
// held; the events it causes are handled before it returns.
void PressKey(controls::TForm& form, platform::TKey key, unsigned shift = 0);

// A left click at a point of the client area, through the system.
void ClickAt(controls::TForm& form, platform::TPoint point);

// The picture the window shows now: its client area, one pixel 0xFFRRGGBB per device pixel.
platform::TBitmap WindowPicture(controls::TForm& form);

// Takes the quit request that closing the main window left for the application's event loop,
// which a test does not run: later tests' events are then handled as usual.
void TakeQuitRequest();

// A system colour (its Windows index) and the value a scheme gives it.
struct TSchemeColor {
  int index;
  controls::TColor color;
};

// "High Contrast Black": white text on black window and button faces, cyan selection, green
// grey text, a yellow link.
inline const std::vector<TSchemeColor> HighContrastBlack = {
    {5, controls::RGB(0, 0, 0)},        {8, controls::RGB(255, 255, 255)},
    {13, controls::RGB(26, 235, 255)},  {15, controls::RGB(0, 0, 0)},
    {16, controls::RGB(128, 128, 128)}, {17, controls::RGB(63, 242, 63)},
    {20, controls::RGB(255, 255, 255)}, {21, controls::RGB(128, 128, 128)},
    {26, controls::RGB(255, 255, 0)},
};

// Gives the user's system colours the scheme's values while it lives, as the user would in the
// system's settings (Linux: the application's palette; Windows: the system's colours, which
// every window is told of), then puts back the ones there were.
class TUserColorScheme {
public:
  explicit TUserColorScheme(const std::vector<TSchemeColor>& scheme);
  ~TUserColorScheme();
  TUserColorScheme(const TUserColorScheme&) = delete;
  TUserColorScheme& operator=(const TUserColorScheme&) = delete;

private:
  std::vector<TSchemeColor> m_previous;
};

} // namespace testsupport
