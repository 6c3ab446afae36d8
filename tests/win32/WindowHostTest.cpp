// A form in a real Win32 window: messages posted to its HWND reach the controls, its picture
// reaches the screen, and the application object's loop, catch point and message box work.
// clang-format off
// The drawing kit's colour functions before the system's macros of the same names.
#include "SpyControl.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"
#include "platform/win32/WindowHost.h"
// clang-format on

#include "FormInput.h"
#include "MessagePump.h"
#include "PaintPacing.h"
#include "Worker.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/MessageBox.h"
#include "platform/TThread.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>
#include <windows.h>

using Log = std::vector<std::string>;

namespace {

using testsupport::Worker;

const char Title[] = "Kolvarin Radyo Güncelleme";
const wchar_t WideTitle[] = L"Kolvarin Radyo G\u00fcncelleme";

struct App {
  int argc = 1;
  char name[5] = "test";
  char* argv[2] = {name, nullptr};
  platform::TApplication application{argc, argv};
  App() { application.SetTitle(Title); }
};


LPARAM At(int x, int y) {
  return MAKELPARAM(x, y);
}

LPARAM KeyData(UINT virtualKey, bool alt = false) {
  const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  return 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1 << 29) : 0);
}

struct Window {
  Window() {
    // The real mouse away from where the window comes, which is always the same place.
    SetCursorPos(0, 0);
    form.SetCaption(Title);
    form.SetClientSize({120, 80});
    form.SetColor(0xFFFF0000u);
    form.CreateHost();
    form.SetPosition({200, 200});
    button = &form.AddControl<TSpyControl>("B", log);
    button->SetBounds(10, 10, 40, 30);
    button->SetAcceptsFocus(true);
    button->SetTabStop(true);
    other = &form.AddControl<TSpyControl>("O", log);
    other->SetBounds(60, 10, 40, 30);
    other->SetAcceptsFocus(true);
    other->SetTabStop(true);
    form.Show();
    handle = static_cast<platform::win32::TWin32WindowHost*>(form.Host())->Handle();
    SetForegroundWindow(handle);
    PumpAWhile(300);
    log.clear();
  }

  // Puts the real mouse over a client point, so the system's leave tracking agrees.
  void MouseTo(int x, int y) {
    POINT point{x, y};
    ClientToScreen(handle, &point);
    SetCursorPos(point.x, point.y);
    PostMessageW(handle, WM_MOUSEMOVE, 0, At(x, y));
  }

  Log log;
  controls::TForm form;
  TSpyControl* button = nullptr;
  TSpyControl* other = nullptr;
  HWND handle = nullptr;
};

bool Has(const Log& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

// Whether `log` has the entries of `expected` in that order, maybe with others between them
// (the system adds mouse moves of its own).
bool InOrder(const Log& log, const Log& expected) {
  auto next = log.begin();
  for (const std::string& entry : expected) {
    next = std::find(next, log.end(), entry);
    if (next == log.end())
      return false;
    ++next;
  }
  return true;
}

TEST(WinWindowHost, OneWindowOfTheClientSizeWithTheTitle) {
  App app;
  Window window;
  ASSERT_NE(window.handle, nullptr);
  EXPECT_TRUE(IsWindowVisible(window.handle));
  RECT client;
  GetClientRect(window.handle, &client);
  EXPECT_EQ(client.right, 120);
  EXPECT_EQ(client.bottom, 80);
  wchar_t text[64] = {};
  GetWindowTextW(window.handle, text, 64);
  EXPECT_STREQ(text, WideTitle);
  // The controls are drawn inside it, not child windows.
  EXPECT_EQ(GetWindow(window.handle, GW_CHILD), nullptr);
}

TEST(WinWindowHost, MouseMessagesReachTheControlWithCaptureWhileHeld) {
  App app;
  Window window;
  window.MouseTo(15, 15);
  PostMessageW(window.handle, WM_LBUTTONDOWN, MK_LBUTTON, At(15, 15));
  ASSERT_TRUE(PumpUntil([&] { return Has(window.log, "B:down 5,5"); }));
  EXPECT_EQ(GetCapture(), window.handle);
  EXPECT_TRUE(window.button->Focused());
  // Released over the other control: the pressed one gets it.
  PostMessageW(window.handle, WM_MOUSEMOVE, MK_LBUTTON, At(70, 20));
  PostMessageW(window.handle, WM_LBUTTONUP, 0, At(70, 20));
  ASSERT_TRUE(PumpUntil([&] { return Has(window.log, "B:up 60,10"); }));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(InOrder(window.log, {"B:enter", "B:down 5,5", "B:leave", "B:move 60,10", "B:up 60,10",
                                   "O:enter", "O:move 10,10"}))
      << testing::PrintToString(window.log);
}

TEST(WinWindowHost, TheMouseLeavingTheWindowLeavesTheHotControl) {
  App app;
  Window window;
  window.MouseTo(15, 15);
  ASSERT_TRUE(PumpUntil([&] { return Has(window.log, "B:enter"); }));
  SetCursorPos(0, 0);
  MoveWindow(window.handle, 300, 300, 200, 150, TRUE);
  EXPECT_TRUE(PumpUntil([&] { return Has(window.log, "B:leave"); }));
}

TEST(WinWindowHost, KeysTabAcceleratorsAndTypedText) {
  App app;
  Window window;
  ASSERT_TRUE(PumpUntil([&] { return window.button->Focused(); })) << "the first tab stop";
  PostMessageW(window.handle, WM_KEYDOWN, VK_TAB, KeyData(VK_TAB));
  ASSERT_TRUE(PumpUntil([&] { return window.other->Focused(); }));
  // A letter the focused control takes, with the character it types.
  window.other->takes = {controls::TKey::A};
  PostMessageW(window.handle, WM_KEYDOWN, 'A', KeyData('A'));
  ASSERT_TRUE(PumpUntil([&] { return Has(window.log, "O:key 65 a"); }));
  // Alt+B: the accelerator of the first control, from a system key.
  window.button->SetAccelerator('b');
  PostMessageW(window.handle, WM_SYSKEYDOWN, 'B', KeyData('B', true));
  EXPECT_TRUE(PumpUntil([&] { return Has(window.log, "B:click"); }));
  EXPECT_TRUE(window.button->Focused());
  // Escape with a cancel control.
  window.other->SetCancel(true);
  PostMessageW(window.handle, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE));
  EXPECT_TRUE(PumpUntil([&] { return Has(window.log, "O:click"); }));
}

TEST(WinWindowHost, AnAcceleratorOfANonAsciiLetterAnswersAltWithItsCharacter) {
  App app;
  Window window;
  window.button->SetAccelerator(controls::AcceleratorOf("&Çık"));
  ASSERT_TRUE(PumpUntil([&] { return window.button->Focused(); }));
  window.other->SetFocus();
  // The key of "ç" on a Turkish keyboard: a key with no letter of ours, whose character comes
  // as the system character right behind it.
  PostMessageW(window.handle, WM_SYSKEYDOWN, VK_OEM_1, KeyData(VK_OEM_1, true));
  PostMessageW(window.handle, WM_SYSCHAR, L'\u00e7', KeyData(VK_OEM_1, true));
  EXPECT_TRUE(PumpUntil([&] { return Has(window.log, "B:click"); }));
  EXPECT_TRUE(window.button->Focused());
}

TEST(WinWindowHost, TheCharacterAKeyStandsFor) {
  using platform::TKey;
  const struct {
    WPARAM virtualKey;
    std::wstring text;
    TKey key;
    char32_t character;
  } cases[] = {
      {VK_OEM_1, L"\u00e7", TKey::None, U'ç'},
      {'I', L"\u0131", TKey('I'), U'ı'},        // the layout's own letter, not the key's
      {'A', L"\U0001D400", TKey('A'), 0x1D400}, // a pair of surrogates
      {'C', L"", TKey('C'), U'C'},              // Ctrl+C types a control character
      {VK_F1, L"", TKey::F1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::win32::KeyCodePoint(c.virtualKey, c.text, c.key), c.character)
        << c.virtualKey;
}

TEST(WinWindowHost, ThePictureIsOnTheScreen) {
  App app;
  Window window;
  auto pixel = [&](int x, int y) {
    HDC dc = GetDC(window.handle);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window.handle, dc);
    return color;
  };
  ASSERT_TRUE(PumpUntil([&] { return pixel(5, 5) == RGB(255, 0, 0); })) << std::hex << pixel(5, 5);
  EXPECT_EQ(pixel(119, 79), RGB(255, 0, 0));
  // A control paints its part of the picture: green, colours here being 0x00BBGGRR.
  window.button->fill = 0x0000FF00u;
  window.button->Invalidate();
  EXPECT_TRUE(PumpUntil([&] { return pixel(10, 10) == RGB(0, 255, 0); }))
      << std::hex << pixel(10, 10);
  EXPECT_EQ(pixel(49, 39), RGB(0, 255, 0));
  EXPECT_EQ(pixel(50, 40), RGB(255, 0, 0));
  window.form.SetColor(0xFF0000FFu);
  EXPECT_TRUE(PumpUntil([&] { return pixel(5, 5) == RGB(0, 0, 255); })) << std::hex << pixel(5, 5);
  EXPECT_EQ(pixel(119, 79), RGB(0, 0, 255));
  EXPECT_EQ(pixel(10, 10), RGB(0, 255, 0)) << "the control over the new background";
}

TEST(WinWindowHost, InvalidationsArePaintedAtMostOnceAFrameTheLastAlwaysShown) {
  App app;
  Window window;
  const controls::TColor last = ChangeAtADownloadsPace(*window.other, [] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  });
  // The last change reaches the screen a frame later, without any further change.
  auto pixel = [&] {
    HDC dc = GetDC(window.handle);
    const COLORREF color = GetPixel(dc, 70, 20);
    ReleaseDC(window.handle, dc);
    return color;
  };
  EXPECT_TRUE(PumpUntil([&] { return pixel() == last; })) << std::hex << pixel();
  EXPECT_TRUE(window.form.DirtyRects().empty());
}

TEST(WinWindowHost, TheCloseBoxAsksTheForm) {
  App app;
  Window window;
  bool allow = false;
  window.form.OnCloseQuery = [&] { return allow; };
  PostMessageW(window.handle, WM_CLOSE, 0, 0);
  PumpAWhile(100);
  EXPECT_TRUE(IsWindowVisible(window.handle));
  allow = true;
  PostMessageW(window.handle, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(window.handle); }));
  EXPECT_TRUE(IsWindow(window.handle)) << "hidden, not destroyed, while the form lives";
}

TEST(WinWindowHost, CentredOnTheWorkAreaWithItsFrame) {
  App app;
  Window window;
  window.form.Host()->CentreOnScreen();
  RECT frame{}, work{};
  GetWindowRect(window.handle, &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((frame.left - work.left) - (work.right - frame.right)), 1);
  EXPECT_LE(std::abs((frame.top - work.top) - (work.bottom - frame.bottom)), 1);
  RECT client{};
  GetClientRect(window.handle, &client);
  EXPECT_EQ(client.right, 120) << "the size stays";
  EXPECT_GT(frame.bottom - frame.top, client.bottom) << "the frame is counted";
}

// A square picture whose pixels tell where they are and which picture they belong to, with a
// half-transparent pixel (premultiplied) at 1,0 and a clear one at 2,0.
platform::TBitmap IconTestPicture(int size) {
  platform::TBitmap picture(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      picture.SetPixel(x, y, 0xFF000000u | (x << 16) | (y << 8) | static_cast<unsigned>(size));
  picture.SetPixel(1, 0, 0x80402000u);
  picture.SetPixel(2, 0, 0);
  return picture;
}

// The colour pixels of an icon (0xAARRGGBB, top row first), or none.
std::vector<std::uint32_t> IconPixels(HICON icon, int& size) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info))
    return {};
  std::vector<std::uint32_t> pixels;
  BITMAP color{};
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof color, &color)) {
    size = color.bmWidth;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = color.bmWidth;
    format.bmiHeader.biHeight = -color.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<std::size_t>(color.bmWidth) * color.bmHeight);
    HDC screen = GetDC(nullptr);
    if (GetDIBits(screen, info.hbmColor, 0, color.bmHeight, pixels.data(), &format,
                  DIB_RGB_COLORS) != color.bmHeight)
      pixels.clear();
    ReleaseDC(nullptr, screen);
  }
  if (info.hbmColor)
    DeleteObject(info.hbmColor);
  if (info.hbmMask)
    DeleteObject(info.hbmMask);
  return pixels;
}

TEST(WinWindowHost, TheIconsAreThePicturesGiven) {
  App app;
  Window window;
  const int big = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);
  window.form.Host()->SetIcon({IconTestPicture(48), IconTestPicture(big), IconTestPicture(small)});
  for (auto [which, size] : {std::pair{ICON_BIG, big}, std::pair{ICON_SMALL, small}}) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window.handle, WM_GETICON, which, 0));
    int got = 0;
    const std::vector<std::uint32_t> pixels = IconPixels(icon, got);
    ASSERT_EQ(got, size) << which;
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(size * size));
    EXPECT_EQ(pixels[0], 0xFF000000u | static_cast<unsigned>(size)) << which;
    EXPECT_EQ(pixels[size * 5 + 3], 0xFF030500u | static_cast<unsigned>(size)) << which;
    EXPECT_EQ(pixels[size * size - 1],
              0xFF000000u | ((size - 1) << 16) | ((size - 1) << 8) | static_cast<unsigned>(size));
    // Straight alpha in the icon, as the system draws it.
    EXPECT_EQ(pixels[1], 0x80804000u) << std::hex << pixels[1];
    EXPECT_EQ(pixels[2] >> 24, 0u);
  }
  // Pictures given again replace the icons.
  window.form.Host()->SetIcon({IconTestPicture(64)});
  int got = 0;
  IconPixels(reinterpret_cast<HICON>(SendMessageW(window.handle, WM_GETICON, ICON_SMALL, 0)), got);
  EXPECT_EQ(got, 64) << "the only picture, shrunk by the system";
}

TEST(WinWindowHost, TheIconPictureOfASize) {
  using platform::TBitmap;
  const std::vector<TBitmap> sizes{TBitmap(16, 16), TBitmap(48, 48), TBitmap(32, 32)};
  const struct {
    std::vector<TBitmap> sizes;
    int size;
    int picked; // 0: none
  } cases[] = {
      {sizes, 32, 32},
      {sizes, 16, 16},
      {sizes, 24, 32},                              // the smallest larger one
      {sizes, 64, 48},                              // none larger: the largest
      {{TBitmap(16, 16), TBitmap(40, 20)}, 32, 16}, // a picture that is not square is skipped
      {{}, 32, 0},
  };
  for (const auto& c : cases) {
    const TBitmap* picked = platform::win32::IconPicture(c.sizes, c.size);
    EXPECT_EQ(picked ? picked->Width() : 0, c.picked) << c.size;
  }
}

// What a message box showed, read by a timer inside its own modal loop, which then closes it.
struct BoxSeen {
  int boxes = 0;
  std::wstring text;
  std::wstring button;
  int buttons = 0;
  bool icon = false;
};
BoxSeen g_seen;

void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", WideTitle);
  if (!box)
    return;
  KillTimer(nullptr, timer);
  ++g_seen.boxes;
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  g_seen.text = text;
  g_seen.icon = GetDlgItem(box, 20) != nullptr && IsWindowVisible(GetDlgItem(box, 20));
  g_seen.buttons = 0;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM) -> BOOL {
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        if (lstrcmpiW(className, L"Button") == 0 && IsWindowVisible(child)) {
          ++g_seen.buttons;
          wchar_t caption[32] = {};
          GetWindowTextW(child, caption, 32);
          g_seen.button = caption;
        }
        return TRUE;
      },
      0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(WinMessageBox, TitleTextNoIconAndOneOK) {
  App app;
  g_seen = {};
  SetTimer(nullptr, 0, 50, &CloseBox);
  platform::ShowMessageBox("Sürüm denetlenemedi.");
  EXPECT_EQ(g_seen.boxes, 1);
  EXPECT_EQ(g_seen.text, L"S\u00fcr\u00fcm denetlenemedi.");
  EXPECT_EQ(g_seen.buttons, 1);
  EXPECT_EQ(g_seen.button, L"OK");
  EXPECT_FALSE(g_seen.icon);
}

TEST(WinApplication, TheLoopCatchesHandlersServesHandOffsAndEndsOnTerminate) {
  App app;
  Window window;
  app.application.RegisterForm(window.form.Host());
  g_seen = {};
  // A click whose handler fails shows the error box and the loop goes on; an EAbort is silent.
  window.button->OnClick = [] { throw std::runtime_error("Bozuk yanıt"); };
  window.other->OnClick = [] { throw platform::EAbort(); };
  window.button->SetDefault(true);
  window.other->SetCancel(true);
  PostMessageW(window.handle, WM_KEYDOWN, VK_RETURN, KeyData(VK_RETURN));
  PostMessageW(window.handle, WM_KEYDOWN, VK_ESCAPE, KeyData(VK_ESCAPE));
  SetTimer(nullptr, 0, 50, &CloseBox);
  // Then a worker's hand-off, run inside the loop, ends it.
  bool handedOff = false;
  std::atomic<bool> ended{false};
  Worker worker([&](Worker&) {
    Sleep(500);
    platform::TThread::Synchronize([&] {
      handedOff = true;
      platform::TApplication::Instance()->Terminate();
    });
  });
  worker.OnTerminate = [&](platform::TThread*) { ended = true; };
  worker.Start();
  EXPECT_EQ(app.application.Run(), 0);
  // The worker's end is handed off too: served here, not waited for on this thread.
  while (!ended)
    platform::CheckSynchronize();
  worker.WaitFor();
  EXPECT_TRUE(handedOff);
  EXPECT_TRUE(app.application.Terminated());
  EXPECT_EQ(g_seen.boxes, 1);
  EXPECT_EQ(g_seen.text, L"Bozuk yan\u0131t");
}

// A hand-off made while a message box shows runs inside the box's own loop: the box does not
// keep the worker waiting until it closes.
std::atomic<bool> g_handedOff{false};
bool g_ranWhileShown = false;

void CALLBACK CloseBoxAfterHandOff(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", WideTitle);
  static int ticks = 0;
  if (!box || (!g_handedOff && ++ticks < 60))
    return;
  KillTimer(nullptr, timer);
  g_ranWhileShown = g_handedOff;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(WinApplication, HandOffsRunWhileAMessageBoxShows) {
  App app;
  std::atomic<bool> ended{false};
  Worker worker([&](Worker&) {
    Sleep(200);
    platform::TThread::Synchronize([&] { g_handedOff = true; });
  });
  worker.OnTerminate = [&](platform::TThread*) { ended = true; };
  worker.Start();
  SetTimer(nullptr, 0, 50, &CloseBoxAfterHandOff);
  platform::ShowMessageBox("Bekleniyor");
  EXPECT_TRUE(g_ranWhileShown);
  while (!ended)
    platform::CheckSynchronize();
  worker.WaitFor();
}

} // namespace
