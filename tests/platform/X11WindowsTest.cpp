#include "platform/DesktopWindows.h"

#include "FakePlayer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
using platform::FindWindowByClass;
using platform::IsWindow;
using platform::NoWindow;
using platform::RequestWindowClose;
using Clock = std::chrono::steady_clock;

// Restores DISPLAY when it goes.
class DisplayUnset {
public:
  DisplayUnset() : m_saved(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") {
    unsetenv("DISPLAY");
  }
  ~DisplayUnset() {
    if (!m_saved.empty())
      setenv("DISPLAY", m_saved.c_str(), 1);
  }

private:
  std::string m_saved;
};

TEST(FindWindowByClass, FindsTheWindowByItsClassInAnyAsciiCase) {
  KV_REQUIRE_DISPLAY();
  EXPECT_EQ(FindWindowByClass("Kolvarin"), NoWindow);

  FakePlayer player({"ignore"});
  ASSERT_NE(player.window, 0u);
  EXPECT_EQ(FindWindowByClass("Kolvarin"), player.window);
  EXPECT_EQ(FindWindowByClass("KOLVARIN"), player.window);
  EXPECT_EQ(FindWindowByClass("Kolvarin2"), NoWindow);
  EXPECT_EQ(FindWindowByClass("Kolvari"), NoWindow);
  EXPECT_TRUE(IsWindow(player.window));
  EXPECT_EQ(platform::WindowProcessId(player.window), player.process->Pid());
}

TEST(FindShownWindowByClass, PassesOverAWindowOfTheClassUntilItIsMapped) {
  KV_REQUIRE_DISPLAY();
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 40, 30, 0, 0, 0);
  char name[] = "hidden";
  char className[] = "KvHidden";
  XClassHint hint{name, className};
  XSetClassHint(display, window, &hint);
  XSync(display, False);

  EXPECT_EQ(FindWindowByClass("KvHidden"), window);
  EXPECT_EQ(platform::FindShownWindowByClass("KvHidden"), NoWindow);
  XMapWindow(display, window);
  XSync(display, False);
  EXPECT_TRUE(WaitFor([&] { return platform::FindShownWindowByClass("kvhidden") == window; }));
  XDestroyWindow(display, window);
  XCloseDisplay(display);
}

TEST(FindWindowByClass, WithoutADisplayThereIsNoWindow) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore"});
  DisplayUnset noDisplay;

  EXPECT_EQ(FindWindowByClass("Kolvarin"), NoWindow);
  EXPECT_FALSE(IsWindow(player.window));
  EXPECT_EQ(platform::WindowProcessId(player.window), 0);
}

TEST(WindowProcessId, AWindowOfAnotherMachineHasNoLocalOwner) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore", "--machine", "some-other-host.example"});
  ASSERT_NE(player.window, 0u);

  EXPECT_EQ(platform::WindowProcessId(player.window), 0);
}

TEST(RequestWindowClose, WaitsUntilAResponsivePlayerHasClosed) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"close", "--delay", "300"});
  ASSERT_NE(player.window, 0u);

  RequestWindowClose(player.window, std::chrono::milliseconds(5000));

  EXPECT_FALSE(IsWindow(player.window));
  EXPECT_EQ(player.process->ReadLine(), "close-request");
  ASSERT_TRUE(player.process->WaitExit());
  EXPECT_TRUE(player.process->ExitedNormallyWith(0));
}

TEST(RequestWindowClose, ReturnsOnceAPlayerThatIgnoresTheRequestHasHandledIt) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore"});
  ASSERT_NE(player.window, 0u);
  const auto start = Clock::now();

  RequestWindowClose(player.window, std::chrono::milliseconds(60000));

  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(player.process->ReadLine(), "close-request");
  EXPECT_TRUE(IsWindow(player.window));
}

TEST(RequestWindowClose, AsksAPlayerThatIsBusyForAWhileOnceItAnswers) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"close", "--busy", "2000"});
  ASSERT_NE(player.window, 0u);

  RequestWindowClose(player.window, std::chrono::milliseconds(5000));

  EXPECT_FALSE(IsWindow(player.window));
  EXPECT_EQ(player.process->ReadLine(), "close-request");
  ASSERT_TRUE(player.process->WaitExit());
  EXPECT_TRUE(player.process->ExitedNormallyWith(0));
}

TEST(RequestWindowClose, GivesUpOnAHungPlayerWithoutAskingIt) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"hang"});
  ASSERT_NE(player.window, 0u);
  const auto start = Clock::now();

  RequestWindowClose(player.window, std::chrono::milliseconds(60000));

  // Hung means no answer within the hung limit, however long the caller would wait.
  EXPECT_LT(Clock::now() - start, platform::HungAnswerLimit + std::chrono::seconds(3));
  EXPECT_TRUE(IsWindow(player.window));
}

TEST(RequestWindowClose, WaitsTheWholeTimeForAPlayerThatCannotBePinged) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore", "--no-ping"});
  ASSERT_NE(player.window, 0u);
  const auto start = Clock::now();

  RequestWindowClose(player.window, std::chrono::milliseconds(400));

  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(400));
  EXPECT_EQ(player.process->ReadLine(), "close-request");
  EXPECT_TRUE(IsWindow(player.window));
}

TEST(RequestWindowClose, NoWindowAndAWindowThatIsGoneReturnAtOnce) {
  KV_REQUIRE_DISPLAY();
  std::uint64_t gone = 0;
  {
    FakePlayer player({"close"});
    gone = player.window;
  }
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(gone); }));
  const auto start = Clock::now();

  RequestWindowClose(NoWindow, std::chrono::milliseconds(60000));
  RequestWindowClose(gone, std::chrono::milliseconds(60000));

  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

} // namespace
