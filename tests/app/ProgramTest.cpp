// The real kolvarin-update program, started as a user would start it.
#include "FakePlayer.h"
#include "UpdaterWindows.h"
#include "platform/DesktopWindows.h"

#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;

platform::WindowHandle WaitForUpdaterWindow() {
  platform::WindowHandle window = platform::NoWindow;
  WaitFor([&] {
    window = platform::FindWindowByClass("kolvarin-update");
    return window != platform::NoWindow;
  });
  return window;
}

TEST(Program, ClosesAResponsivePlayerThenShowsItsWindowAndEndsWithCodeZeroWhenClosed) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"close", "--delay", "200"});
  ASSERT_NE(player.window, 0u);
  TempDir folder;

  ChildProcess updater(KOLVARIN_UPDATE_BINARY, {.workingDir = folder.Path()});

  ASSERT_TRUE(player.process->WaitExit());
  EXPECT_TRUE(player.process->ExitedNormallyWith(0));
  ASSERT_NE(WaitForUpdaterWindow(), platform::NoWindow);
  EXPECT_TRUE(updater.Running());

  EXPECT_TRUE(CloseUntilEnded(updater));
}

TEST(Program, KillsAPlayerThatIgnoresTheCloseRequest) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore"});
  ASSERT_NE(player.window, 0u);
  TempDir folder;

  ChildProcess updater(KOLVARIN_UPDATE_BINARY, {.workingDir = folder.Path()});

  ASSERT_TRUE(player.process->WaitExit());
  EXPECT_TRUE(player.process->KilledBy(SIGKILL));
  EXPECT_TRUE(CloseUntilEnded(updater));
}

TEST(Program, WithoutADisplayEndsWithAClearErrorInsteadOfAborting) {
  TempDir folder;
  ChildProcess updater(KOLVARIN_UPDATE_BINARY,
                       {.workingDir = folder.Path(),
                        .environment = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}});

  ASSERT_TRUE(updater.WaitExit());
  EXPECT_TRUE(updater.ExitedNormallyWith(1));
}

} // namespace
