// The bare Win32 window that the start-to-window benchmark compares the updater with: a shown
// window of the updater's client size, which ends when closed or after its first paint.
#include "Win32Process.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace wintest;

std::wstring BareWindow() {
  return WinPath(KOLVARIN_BARE_WINDOW);
}

TEST(WinBareWindow, ShowsTheUpdatersClientSizeUntilClosed) {
  Started program(BareWindow(), {});
  ASSERT_TRUE(program.Ok());
  HWND window = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (window = FindWindowW(L"KvBareWindow", nullptr)) != nullptr; }, 20s))
      << "no window needs a display (DISPLAY)";
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 10s));
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right - client.left, 409);
  EXPECT_EQ(client.bottom - client.top, 305);
  EXPECT_TRUE(program.Running());
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitEnded(10s));
}

TEST(WinBareWindow, EndsAfterItsFirstPaintWhenAsked) {
  const RunResult result = wintest::Run(BareWindow(), {"--exit-after-paint"}, 30s);
  EXPECT_EQ(result.exitCode, 0u);
}

} // namespace
