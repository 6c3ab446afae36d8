#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>
#include <sys/types.h>

namespace platform {

// A top-level window of the desktop (an X11 window id on Linux, an HWND on Windows); NoWindow
// names none.
using WindowHandle = std::uint64_t;
inline constexpr WindowHandle NoWindow = 0;

// How long a window may go without answering a ping before its client counts as hung: a
// client busy for a moment (starting, buffering, saving) is still asked to close.
inline constexpr std::chrono::milliseconds HungAnswerLimit{5000};

// After a client has handled the close request, how long its window may take to disappear.
inline constexpr std::chrono::milliseconds CloseGrace{1000};

// Whether the display that DISPLAY names answers: a connection to it opens.
bool DisplayReachable();

// The first top-level window, topmost first, whose WM_CLASS class equals `className` without
// regard to ASCII case. NoWindow when there is none or no display can be reached.
WindowHandle FindWindowByClass(std::string_view className);
// The same among the windows shown on the screen: a program may keep unmapped helper windows
// of its own class.
WindowHandle FindShownWindowByClass(std::string_view className);

// Asks the window to close (WM_DELETE_WINDOW) and waits until its client has handled the
// request, at most `timeout` in all: the wait ends when the window is destroyed, shortly after
// the client has answered a ping sent behind the request, or when the client has not answered
// a ping sent before it within the timeout or HungAnswerLimit (the hung case, which is never
// sent the request). Reports nothing.
void RequestWindowClose(WindowHandle window, std::chrono::milliseconds timeout);

// Whether the handle still names a window.
bool IsWindow(WindowHandle window);
// Whether the window is mapped and viewable (shown on the screen).
bool IsWindowVisible(WindowHandle window);

// The process that owns the window, from _NET_WM_PID; 0 when the window does not tell or
// belongs to a client on another machine.
pid_t WindowProcessId(WindowHandle window);

} // namespace platform
