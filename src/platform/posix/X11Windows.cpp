#include "platform/DesktopWindows.h"

#include "platform/Text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <array>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() {
  return DisplayPtr(XOpenDisplay(nullptr));
}

template <typename T> struct XFreeDeleter {
  void operator()(T* p) const { XFree(p); }
};

// Windows may vanish at any moment; the errors that causes are expected and only recorded.
// Xlib's error handler is process-wide, so the trap restores the previous one.
class ErrorTrap {
public:
  explicit ErrorTrap(Display* display) : m_display(display) {
    XSync(m_display, False);
    s_failed = false;
    m_previous = XSetErrorHandler(&ErrorTrap::Record);
  }
  ~ErrorTrap() {
    XSync(m_display, False);
    XSetErrorHandler(m_previous);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  bool Failed() {
    XSync(m_display, False);
    return s_failed;
  }

private:
  static int Record(Display*, XErrorEvent*) {
    s_failed = true;
    return 0;
  }
  static inline bool s_failed = false;
  Display* m_display;
  XErrorHandler m_previous;
};

bool HasClass(Display* display, Window window, std::string_view className) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint))
    return false;
  const bool match = hint.res_class && SameText(hint.res_class, className);
  if (hint.res_name)
    XFree(hint.res_name);
  if (hint.res_class)
    XFree(hint.res_class);
  return match;
}

std::vector<Window> Children(Display* display, Window parent) {
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count))
    return {};
  std::vector<Window> result(children, children + count);
  if (children)
    XFree(children);
  return result;
}

// A window manager may reparent a client's top-level window into a frame, so the client
// window is looked for one or two levels below the root. Children come bottom to top.
// With `shownOnly`, windows that are not viewable are passed over.
Window FindBelow(Display* display, Window parent, std::string_view className, int depth,
                 bool shownOnly) {
  const auto shown = [&](Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
  };
  const std::vector<Window> children = Children(display, parent);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (HasClass(display, *it, className) && (!shownOnly || shown(*it)))
      return *it;
  }
  if (depth <= 1)
    return 0;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (Window found = FindBelow(display, *it, className, depth - 1, shownOnly))
      return found;
  }
  return 0;
}

bool WindowExists(Display* display, Window window) {
  ErrorTrap trap(display);
  XWindowAttributes attributes{};
  const Status status = XGetWindowAttributes(display, window, &attributes);
  return !trap.Failed() && status != 0;
}

bool SupportsProtocol(Display* display, Window window, Atom protocol) {
  Atom* protocols = nullptr;
  int count = 0;
  if (!XGetWMProtocols(display, window, &protocols, &count))
    return false;
  bool found = false;
  for (int i = 0; i < count; ++i)
    found = found || protocols[i] == protocol;
  XFree(protocols);
  return found;
}

void SendProtocolMessage(Display* display, Window window, Atom wmProtocols, Atom protocol,
                         long stamp) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = wmProtocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(protocol);
  event.xclient.data.l[1] = stamp;
  event.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

// Watches one window for its destruction and for the answers to our pings.
class CloseWatch {
public:
  CloseWatch(Display* display, Window window)
      : m_display(display), m_window(window),
        m_wmProtocols(XInternAtom(display, "WM_PROTOCOLS", False)),
        m_ping(XInternAtom(display, "_NET_WM_PING", False)) {
    // Answers to pings are sent to the root window, some clients with the structure mask and
    // some with the substructure mask: watching both on the root sees either.
    XSelectInput(display, window, StructureNotifyMask);
    XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask | SubstructureNotifyMask);
    XSync(display, False);
  }

  bool Destroyed() const { return m_destroyed; }
  bool Answered(long stamp) const { return m_lastAnswer >= stamp; }

  // Takes events until `done` holds or `deadline` passes.
  template <typename Done> void WaitUntil(Clock::time_point deadline, Done done) {
    while (true) {
      while (XPending(m_display) > 0) {
        XEvent event{};
        XNextEvent(m_display, &event);
        Take(event);
      }
      if (done() || m_destroyed)
        return;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0)
        return;
      pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left.count()) + 1);
    }
  }

private:
  void Take(const XEvent& event) {
    if (event.type == DestroyNotify && event.xdestroywindow.window == m_window) {
      m_destroyed = true;
    } else if (event.type == ClientMessage && event.xclient.message_type == m_wmProtocols &&
               static_cast<Atom>(event.xclient.data.l[0]) == m_ping &&
               static_cast<Window>(event.xclient.data.l[2]) == m_window) {
      m_lastAnswer = std::max(m_lastAnswer, event.xclient.data.l[1]);
    }
  }

  Display* m_display;
  Window m_window;
  Atom m_wmProtocols;
  Atom m_ping;
  bool m_destroyed = false;
  long m_lastAnswer = 0;
};

std::optional<std::string> TextProperty(Display* display, Window window, Atom property) {
  XTextProperty text{};
  if (!XGetTextProperty(display, window, &text, property) || !text.value)
    return std::nullopt;
  std::string value(reinterpret_cast<const char*>(text.value), text.nitems);
  XFree(text.value);
  return value;
}

} // namespace

bool DisplayReachable() {
  return OpenDisplay() != nullptr;
}

WindowHandle FindWindowByClass(std::string_view className) {
  DisplayPtr display = OpenDisplay();
  if (!display)
    return NoWindow;
  ErrorTrap trap(display.get());
  return FindBelow(display.get(), DefaultRootWindow(display.get()), className, 3, false);
}

void RequestWindowClose(WindowHandle handle, std::chrono::milliseconds timeout) {
  if (handle == NoWindow)
    return;
  DisplayPtr display = OpenDisplay();
  if (!display)
    return;
  Display* d = display.get();
  const auto window = static_cast<Window>(handle);
  const auto deadline = Clock::now() + timeout;
  ErrorTrap trap(d);
  if (!WindowExists(d, window))
    return;

  const Atom wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
  CloseWatch watch(d, window);
  const bool pingable = SupportsProtocol(d, window, ping);

  if (pingable) {
    // Only a client that does not answer within the whole allowance counts as hung; one that
    // is busy for a while is asked once it answers, with what is left of the allowance.
    SendProtocolMessage(d, window, wmProtocols, ping, 1);
    watch.WaitUntil(std::min(deadline, Clock::now() + HungAnswerLimit),
                    [&] { return watch.Answered(1); });
    if (watch.Destroyed() || !watch.Answered(1))
      return;
  }

  SendProtocolMessage(d, window, wmProtocols, deleteWindow, 0);
  if (!pingable) {
    watch.WaitUntil(deadline, [] { return false; });
    return;
  }
  // Events are handled in order, so the answer to this ping means the close request has
  // been handled; a client that closes may still need a moment to destroy its window.
  SendProtocolMessage(d, window, wmProtocols, ping, 2);
  watch.WaitUntil(deadline, [&] { return watch.Answered(2); });
  if (!watch.Destroyed() && watch.Answered(2))
    watch.WaitUntil(std::min(deadline, Clock::now() + CloseGrace), [] { return false; });
}

bool IsWindow(WindowHandle handle) {
  if (handle == NoWindow)
    return false;
  DisplayPtr display = OpenDisplay();
  return display && WindowExists(display.get(), static_cast<Window>(handle));
}

WindowHandle FindShownWindowByClass(std::string_view className) {
  DisplayPtr display = OpenDisplay();
  if (!display)
    return NoWindow;
  ErrorTrap trap(display.get());
  return FindBelow(display.get(), DefaultRootWindow(display.get()), className, 3, true);
}

bool IsWindowVisible(WindowHandle handle) {
  if (handle == NoWindow)
    return false;
  DisplayPtr display = OpenDisplay();
  if (!display)
    return false;
  ErrorTrap trap(display.get());
  XWindowAttributes attributes{};
  const Status status =
      XGetWindowAttributes(display.get(), static_cast<Window>(handle), &attributes);
  return !trap.Failed() && status != 0 && attributes.map_state == IsViewable;
}

pid_t WindowProcessId(WindowHandle handle) {
  if (handle == NoWindow)
    return 0;
  DisplayPtr display = OpenDisplay();
  if (!display)
    return 0;
  Display* d = display.get();
  const auto window = static_cast<Window>(handle);
  ErrorTrap trap(d);

  // A process id only means something on the machine the client runs on.
  if (auto machine = TextProperty(d, window, XA_WM_CLIENT_MACHINE)) {
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) != 0 || *machine != host.data())
      return 0;
  }

  const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) != Success ||
      !data)
    return 0;
  std::unique_ptr<unsigned char, XFreeDeleter<unsigned char>> hold(data);
  if (type != XA_CARDINAL || format != 32 || count != 1)
    return 0;
  const unsigned long pid = *reinterpret_cast<const unsigned long*>(data);
  return (pid > 0 && pid <= 0x3fffffff) ? static_cast<pid_t>(pid) : 0;
}

} // namespace platform
