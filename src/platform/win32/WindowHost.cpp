#include "platform/win32/WindowHost.h"

#include "platform/Application.h"
#include "platform/win32/ShowBitmap.h"
#include "platform/win32/Unicode.h"

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>
#include <windowsx.h>

namespace platform {

std::unique_ptr<TWindowHost> CreateWindowHost(TWindowEvents& events) {
  return std::make_unique<win32::TWin32WindowHost>(events);
}

namespace win32 {

namespace {

constexpr wchar_t ClassName[] = L"KolvarinForm";
constexpr DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The timer that ends a frame's wait for a paint.
constexpr UINT_PTR FrameTimerId = 1;

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = nullptr; // set on each WM_SETCURSOR
    windowClass.lpszClassName = ClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

unsigned ShiftState() {
  unsigned shift = 0;
  if (GetKeyState(VK_SHIFT) < 0)
    shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0)
    shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0)
    shift |= ssAlt;
  return shift;
}

// Messages and contexts of newer systems than the headers may know.
constexpr UINT DpiChangedMessage = 0x02E0;    // WM_DPICHANGED, Windows 8.1
constexpr UINT DpiScaledSizeMessage = 0x02E4; // WM_GETDPISCALEDSIZE, Windows 10 1703
const auto PerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const auto PerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

// A function of user32.dll that this system may not have; null where it has not.
template <typename Function> Function User32(const char* name) {
  static const HMODULE user = GetModuleHandleW(L"user32.dll");
  return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name)))
              : nullptr;
}

// The mouse's position in the client area, in layout pixels.
TPoint MousePosition(LPARAM lParam, int dpi) {
  return {LayoutPosition(GET_X_LPARAM(lParam), dpi), LayoutPosition(GET_Y_LPARAM(lParam), dpi)};
}

int SystemDpi() {
  using GetDpiForSystemFunction = UINT(WINAPI*)();
  if (const auto getDpiForSystem = User32<GetDpiForSystemFunction>("GetDpiForSystem"))
    return static_cast<int>(getDpiForSystem());
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : BaseDpi;
  if (screen)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : BaseDpi;
}

} // namespace

TDpiAwareness DeclareDpiAwareness() {
  static const TDpiAwareness awareness = [] {
    using SetContextFunction = BOOL(WINAPI*)(HANDLE);
    using GetContextFunction = HANDLE(WINAPI*)();
    using AwarenessFunction = int(WINAPI*)(HANDLE);
    using EqualFunction = BOOL(WINAPI*)(HANDLE, HANDLE);
    using SetAwareFunction = BOOL(WINAPI*)();
    // Either call is refused where the manifest has set the awareness already, and the second
    // version where the system does not know it (Wine 8: error 87).
    if (const auto set = User32<SetContextFunction>("SetProcessDpiAwarenessContext")) {
      if (!set(PerMonitorAwareV2))
        set(PerMonitorAware);
    }
    const auto getContext = User32<GetContextFunction>("GetThreadDpiAwarenessContext");
    const auto awarenessOf = User32<AwarenessFunction>("GetAwarenessFromDpiAwarenessContext");
    const auto equal = User32<EqualFunction>("AreDpiAwarenessContextsEqual");
    if (getContext && awarenessOf) {
      HANDLE context = getContext();
      if (equal && equal(context, PerMonitorAwareV2))
        return TDpiAwareness::PerMonitorV2;
      switch (awarenessOf(context)) {
      case 2:
        return TDpiAwareness::PerMonitor;
      case 1:
        return TDpiAwareness::System;
      default:
        break;
      }
    }
    const auto setAware = User32<SetAwareFunction>("SetProcessDPIAware");
    return setAware && setAware() ? TDpiAwareness::System : TDpiAwareness::Unaware;
  }();
  return awareness;
}

int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  if (const auto getDpiForWindow = User32<GetDpiForWindowFunction>("GetDpiForWindow")) {
    if (const UINT dpi = getDpiForWindow(window))
      return static_cast<int>(dpi);
  }
  return SystemDpi();
}

char32_t KeyCodePoint(WPARAM virtualKey, std::wstring_view text, TKey key) {
  if (!text.empty()) {
    const char32_t first = text[0];
    if (IS_HIGH_SURROGATE(text[0]) && text.size() > 1 && IS_LOW_SURROGATE(text[1]))
      return 0x10000 + ((first - 0xD800) << 10) + (static_cast<char32_t>(text[1]) - 0xDC00);
    if (first > U' ' && !IS_HIGH_SURROGATE(text[0]) && !IS_LOW_SURROGATE(text[0]))
      return first;
  }
  // Ctrl turns a letter into a control character: the key's own character in the keyboard
  // layout stands for it (its high bit marks a dead key).
  const UINT mapped = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_CHAR);
  if ((mapped & 0x80000000u) == 0 && mapped > U' ')
    return static_cast<char32_t>(mapped & 0xFFFF);
  return KeyCharacter(key);
}

const TBitmap* IconPicture(const std::vector<TBitmap>& sizes, int size) {
  // The picture of that size, else the smallest larger one (the system shrinks it), else the
  // largest there is.
  const TBitmap* best = nullptr;
  for (const TBitmap& each : sizes) {
    if (each.IsEmpty() || each.Width() != each.Height())
      continue;
    const bool fits = each.Width() >= size;
    if (!best || (fits && (best->Width() < size || each.Width() < best->Width())) ||
        (!fits && best->Width() < size && each.Width() > best->Width()))
      best = &each;
  }
  return best;
}

HICON IconFromPicture(const TBitmap& picture) {
  const BITMAPINFO info = TopDownBitmapInfo(picture.Width(), picture.Height());
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!color)
    return nullptr;
  // An icon's colours are not premultiplied by its alpha; the picture's are.
  auto* pixels = static_cast<std::uint32_t*>(bits);
  const std::size_t count =
      static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height());
  std::transform(picture.Bits(), picture.Bits() + count, pixels, [](std::uint32_t pixel) {
    const std::uint32_t alpha = pixel >> 24;
    if (alpha == 0 || alpha == 255)
      return alpha == 0 ? 0u : pixel;
    const auto channel = [alpha](std::uint32_t value) {
      return std::min<std::uint32_t>(255, (value * 255 + alpha / 2) / alpha);
    };
    return (alpha << 24) | (channel((pixel >> 16) & 0xFF) << 16) |
           (channel((pixel >> 8) & 0xFF) << 8) | channel(pixel & 0xFF);
  });
  // The mask is all clear: the alpha channel alone says what is drawn.
  const std::vector<std::uint8_t> clear(
      static_cast<std::size_t>((picture.Width() + 15) / 16 * 2) * picture.Height(), 0);
  HBITMAP mask = CreateBitmap(picture.Width(), picture.Height(), 1, 1, clear.data());
  ICONINFO icon{TRUE, 0, 0, mask, color};
  HICON made = mask ? CreateIconIndirect(&icon) : nullptr;
  if (mask)
    DeleteObject(mask);
  DeleteObject(color);
  return made;
}

TKey KeyFromVirtualKey(WPARAM virtualKey) {
  if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
    return static_cast<TKey>(virtualKey);
  if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
    return static_cast<TKey>(static_cast<int>(TKey::F1) + static_cast<int>(virtualKey - VK_F1));
  switch (virtualKey) {
  case VK_BACK:
    return TKey::Backspace;
  case VK_TAB:
    return TKey::Tab;
  case VK_RETURN:
    return TKey::Enter;
  case VK_ESCAPE:
    return TKey::Escape;
  case VK_SPACE:
    return TKey::Space;
  case VK_PRIOR:
    return TKey::PageUp;
  case VK_NEXT:
    return TKey::PageDown;
  case VK_END:
    return TKey::End;
  case VK_HOME:
    return TKey::Home;
  case VK_LEFT:
    return TKey::Left;
  case VK_UP:
    return TKey::Up;
  case VK_RIGHT:
    return TKey::Right;
  case VK_DOWN:
    return TKey::Down;
  case VK_INSERT:
    return TKey::Insert;
  case VK_DELETE:
    return TKey::Delete;
  default:
    return TKey::None;
  }
}

TWin32WindowHost::TWin32WindowHost(TWindowEvents& events) : m_events(events) {
  DeclareDpiAwareness();
  RegisterWindowClass();
  m_window = CreateWindowExW(0, ClassName, L"", Style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!m_window)
    return;
  m_dpi = WindowDpi(m_window);
  SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

TWin32WindowHost::~TWin32WindowHost() {
  if (!m_window)
    return;
  // No message reaches the form while the window goes.
  SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  DestroyWindow(m_window);
  for (HICON icon : {m_bigIcon, m_smallIcon})
    if (icon)
      DestroyIcon(icon);
}

void TWin32WindowHost::Show() {
  ShowWindow(m_window, SW_SHOWNORMAL);
  UpdateWindow(m_window);
}

void TWin32WindowHost::Hide() {
  ShowWindow(m_window, SW_HIDE);
}

bool TWin32WindowHost::Visible() const {
  return IsWindowVisible(m_window) != FALSE;
}

void TWin32WindowHost::SetTitle(const std::string& title) {
  SetWindowTextW(m_window, Widen(title).c_str());
}

RECT TWin32WindowHost::FrameFor(TSize size, int dpi) {
  const TSize device = DeviceSize(size, dpi);
  RECT frame{0, 0, device.Width, device.Height};
  using AdjustFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  // The frame's own metrics at the window's dpi, where the system has them.
  if (const auto adjust = User32<AdjustFunction>("AdjustWindowRectExForDpi"))
    adjust(&frame, Style, FALSE, 0, static_cast<UINT>(dpi));
  else
    AdjustWindowRectEx(&frame, Style, FALSE, 0);
  return frame;
}

void TWin32WindowHost::SetClientSize(TSize size) {
  m_clientSize = size;
  const RECT frame = FrameFor(size, m_dpi);
  SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32WindowHost::SetPosition(TPoint position) {
  SetWindowPos(m_window, nullptr, position.X, position.Y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32WindowHost::CentreOnScreen() {
  // The frame is the system's from the start: the window with it is centred on the work area.
  RECT window{}, client{};
  POINT origin{0, 0};
  if (!GetWindowRect(m_window, &window) || !GetClientRect(m_window, &client) ||
      !ClientToScreen(m_window, &origin))
    return;
  const TRect frame{origin.x - window.left, origin.y - window.top,
                    window.right - origin.x - client.right,
                    window.bottom - origin.y - client.bottom};
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetPosition(CentredWindowPosition({work.left, work.top, work.right, work.bottom},
                                    {client.right, client.bottom}, frame));
}

void TWin32WindowHost::SetIcon(const std::vector<TBitmap>& sizes) {
  // The title bar's and Alt+Tab's icons from the pictures given; the exe's own icon
  // (resource 1) stays what the shell shows for the file.
  for (auto [icon, metric, which] : {std::tuple{&m_bigIcon, SM_CXICON, ICON_BIG},
                                     std::tuple{&m_smallIcon, SM_CXSMICON, ICON_SMALL}}) {
    const TBitmap* picture = IconPicture(sizes, GetSystemMetrics(metric));
    HICON made = picture ? IconFromPicture(*picture) : nullptr;
    SendMessageW(m_window, WM_SETICON, which, reinterpret_cast<LPARAM>(made));
    if (*icon)
      DestroyIcon(*icon);
    *icon = made;
  }
}

void TWin32WindowHost::Invalidate(const TRect& rect) {
  const auto now = TFramePacer::Clock::now();
  if (m_pacer.Invalidate(rect, now)) {
    InvalidatePending();
  } else if (m_pacer.Waiting() && !m_frameTimer) {
    const auto delay = static_cast<UINT>(m_pacer.Delay(now).count());
    m_frameTimer =
        SetTimer(m_window, FrameTimerId, std::max<UINT>(delay, USER_TIMER_MINIMUM), nullptr) != 0;
    // Without a timer the part is painted now rather than never.
    if (!m_frameTimer)
      InvalidatePending();
  }
}

void TWin32WindowHost::InvalidatePending() {
  const TRect pending = DeviceRect(m_pacer.TakePending(), m_dpi);
  const RECT area{pending.Left, pending.Top, pending.Right, pending.Bottom};
  // The form paints every pixel: nothing to erase first.
  InvalidateRect(m_window, &area, FALSE);
}

void TWin32WindowHost::SetCursor(TCursor cursor) {
  m_cursor = cursor;
  POINT point;
  if (GetCursorPos(&point) && WindowFromPoint(point) == m_window)
    SendMessageW(m_window, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TWin32WindowHost::SetCapture(bool capture) {
  if (capture)
    ::SetCapture(m_window);
  else if (GetCapture() == m_window)
    ReleaseCapture();
}

LRESULT CALLBACK TWin32WindowHost::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  auto* host = reinterpret_cast<TWin32WindowHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!host)
    return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  bool handled = false;
  auto handle = [&] {
    result = host->Handle(message, wParam, lParam);
    handled = true;
  };
  if (TApplication* application = TApplication::Instance()) {
    application->Dispatch(handle);
  } else {
    try {
      handle();
    } catch (...) {
      // Without an application object there is no one to tell; the message is dropped.
    }
  }
  return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TWin32WindowHost::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    Paint();
    return 0;
  case WM_ERASEBKGND:
    return 1;
  case WM_MOUSEMOVE:
    if (!m_tracking) {
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_window, 0};
      m_tracking = TrackMouseEvent(&track) != FALSE;
    }
    m_events.HostMouseMove(MousePosition(lParam, m_dpi), ShiftState());
    return 0;
  case WM_MOUSELEAVE:
    m_tracking = false;
    m_events.HostMouseLeave();
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP: {
    const TMouseButton button =
        message == WM_LBUTTONDOWN || message == WM_LBUTTONUP   ? TMouseButton::Left
        : message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? TMouseButton::Right
                                                               : TMouseButton::Middle;
    const bool down =
        message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    if (down) {
      if (GetFocus() != m_window)
        SetFocus(m_window);
      m_events.HostMouseDown(button, MousePosition(lParam, m_dpi), ShiftState());
    } else {
      m_events.HostMouseUp(button, MousePosition(lParam, m_dpi), ShiftState());
    }
    return 0;
  }
  case WM_CAPTURECHANGED:
    if (reinterpret_cast<HWND>(lParam) != m_window)
      m_events.HostCaptureLost();
    return 0;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
    if (KeyDown(wParam, lParam, message == WM_SYSKEYDOWN))
      return 0;
    return DefWindowProcW(m_window, message, wParam, lParam);
  case WM_CHAR: {
    // A character without its key (the key's own was taken with it).
    const wchar_t unit = static_cast<wchar_t>(wParam);
    if (unit >= L' ')
      m_events.HostKeyDown(TKey::None, ShiftState(), Narrow(std::wstring_view(&unit, 1)), 0);
    return 0;
  }
  case WM_KEYUP:
  case WM_SYSKEYUP:
    m_events.HostKeyUp(KeyFromVirtualKey(wParam),
                       ShiftState() |
                           (message == WM_SYSKEYUP && (lParam & (1 << 29)) ? ssAlt : 0u));
    return DefWindowProcW(m_window, message, wParam, lParam);
  case WM_SETFOCUS:
    m_events.HostActivate(true);
    return 0;
  case WM_KILLFOCUS:
    m_events.HostActivate(false);
    return 0;
  case WM_SETCURSOR:
    if (LOWORD(lParam) != HTCLIENT)
      return DefWindowProcW(m_window, message, wParam, lParam);
    ::SetCursor(LoadCursorW(nullptr, m_cursor == TCursor::HandPoint ? IDC_HAND : IDC_ARROW));
    return TRUE;
  case WM_CLOSE:
    // The form decides, and hides the window when it closes; the window stays until the
    // form goes.
    m_events.HostCloseRequest();
    return 0;
  case WM_TIMER:
    if (wParam != FrameTimerId)
      return DefWindowProcW(m_window, message, wParam, lParam);
    KillTimer(m_window, FrameTimerId);
    m_frameTimer = false;
    InvalidatePending();
    return 0;
  case WM_GETOBJECT:
    if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
      if (TAccessibleTree* tree = m_events.HostAccessibleTree())
        return AnswerClientObject(m_accessible, m_window, wParam, *tree,
                                  [this](const TRect& rect) { return ScreenRect(rect); });
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
  case WM_SYSCOLORCHANGE:
  case WM_SETTINGCHANGE:
  case WM_THEMECHANGED:
    m_events.HostSystemColorsChanged();
    return DefWindowProcW(m_window, message, wParam, lParam);
  case WM_SIZE:
    if (wParam != SIZE_MINIMIZED)
      m_events.HostResize(LayoutSize({LOWORD(lParam), HIWORD(lParam)}, m_dpi), m_dpi);
    return 0;
  case DpiChangedMessage:
    DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return 0;
  case DpiScaledSizeMessage: {
    // Per-monitor version 2 asks for the size at the new dpi before it suggests a rectangle:
    // the client area scaled, with the frame's metrics at that dpi.
    const RECT frame = FrameFor(m_clientSize, static_cast<int>(wParam));
    auto* size = reinterpret_cast<SIZE*>(lParam);
    size->cx = frame.right - frame.left;
    size->cy = frame.bottom - frame.top;
    return TRUE;
  }
  default:
    return DefWindowProcW(m_window, message, wParam, lParam);
  }
}

bool TWin32WindowHost::KeyDown(WPARAM wParam, LPARAM lParam, bool system) {
  // The character the key types was posted right behind it by TranslateMessage.
  std::wstring text;
  MSG character;
  const UINT charMessage = system ? WM_SYSCHAR : WM_CHAR;
  while (PeekMessageW(&character, m_window, charMessage, charMessage, PM_REMOVE)) {
    text += static_cast<wchar_t>(character.wParam);
    if (!IS_HIGH_SURROGATE(static_cast<wchar_t>(character.wParam)))
      break;
  }
  const bool control = !text.empty() && text[0] < L' ';
  // A system key carries Alt in its own context bit: the key state need not say so yet.
  unsigned shift = ShiftState();
  if (system && (lParam & (1 << 29)))
    shift |= ssAlt;
  const TKey key = KeyFromVirtualKey(wParam);
  const bool used = m_events.HostKeyDown(key, shift, control ? "" : Narrow(text),
                                         KeyCodePoint(wParam, control ? L"" : text, key));
  // A system key the form did not use goes to the system (Alt+F4, Alt+Space), its character
  // back in the queue so the menu can take it.
  if (!used && system && !text.empty())
    PostMessageW(m_window, WM_SYSCHAR, text[0], 0);
  return used;
}

void TWin32WindowHost::DpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0)
    return;
  m_dpi = dpi;
  SetWindowPos(m_window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // Also when the rectangle leaves the client area's device size as it was (no WM_SIZE): the
  // form is laid out and painted again at the new dpi.
  RECT client{};
  GetClientRect(m_window, &client);
  m_events.HostResize(LayoutSize({client.right, client.bottom}, m_dpi), m_dpi);
  InvalidateRect(m_window, nullptr, FALSE);
}

void TWin32WindowHost::Paint() {
  m_pacer.Painted(TFramePacer::Clock::now());
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_window, &paint);
  const TBitmap& bitmap = m_events.HostPaint();
  // The whole picture; the system clips it to the part that needs painting.
  ShowBitmap(dc, bitmap, bitmap.Bounds());
  EndPaint(m_window, &paint);
}

void TWin32WindowHost::AccessibleChanged(int id, TAccessibleChange change) {
  NotifyAccessibleChange(m_window, id, change);
}

RECT TWin32WindowHost::ScreenRect(const TRect& rect) const {
  POINT origin{0, 0};
  ClientToScreen(m_window, &origin);
  const TRect device = DeviceRect(rect, m_dpi);
  return {origin.x + device.Left, origin.y + device.Top, origin.x + device.Right,
          origin.y + device.Bottom};
}

} // namespace win32

} // namespace platform
