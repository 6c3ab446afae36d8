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
constexpr auto HungLimit = platform::HungAnswerLimit;

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

// What a player does with the close request.
enum class Outcome { Closes, Ignores, NotAsked };

struct CloseCase {
  const char* name;
  std::vector<std::string> player; // the fake player's arguments
  std::chrono::milliseconds timeout;
  Outcome outcome;
  Clock::duration atLeast = {}; // how long the request takes
  Clock::duration atMost = Clock::duration::max();
};

// GoogleTest names a case's value (also in ctest's names) by the fake player's arguments.
void PrintTo(const CloseCase& c, std::ostream* out) {
  for (const std::string& arg : c.player)
    *out << (&arg == &c.player.front() ? "" : " ") << arg;
}

class WindowCloseRequest : public testing::TestWithParam<CloseCase> {};

TEST_P(WindowCloseRequest, ToAPlayer) {
  KV_REQUIRE_DISPLAY();
  const CloseCase& c = GetParam();
  FakePlayer player(c.player);
  ASSERT_NE(player.window, 0u);
  const auto start = Clock::now();

  RequestWindowClose(player.window, c.timeout);

  const auto took = Clock::now() - start;
  EXPECT_GE(took, c.atLeast);
  EXPECT_LT(took, c.atMost);
  if (c.outcome == Outcome::NotAsked)
    EXPECT_EQ(player.process->ReadLine(500ms), std::nullopt);
  else
    EXPECT_EQ(player.process->ReadLine(), "close-request");
  EXPECT_EQ(IsWindow(player.window), c.outcome != Outcome::Closes);
  if (c.outcome == Outcome::Closes) {
    ASSERT_TRUE(player.process->WaitExit());
    EXPECT_TRUE(player.process->ExitedNormallyWith(0));
  }
}

const CloseCase CloseCases[] = {
    {"WaitsUntilAResponsivePlayerHasClosed", {"close", "--delay", "300"}, 5s, Outcome::Closes},
    {"ReturnsOnceAPlayerThatIgnoresItHasHandledIt", {"ignore"}, 60s, Outcome::Ignores, 0s, 10s},
    {"AsksABusyPlayerOnceItAnswers", {"close", "--busy", "2000"}, 5s, Outcome::Closes},
    // Hung means no answer within the hung limit, however long the caller would wait.
    {"GivesUpOnAHungPlayerWithoutAskingIt", {"hang"}, 60s, Outcome::NotAsked, 0s, HungLimit + 3s},
    {"WaitsTheWholeTimeWithoutAPing", {"ignore", "--no-ping"}, 400ms, Outcome::Ignores, 400ms},
};
INSTANTIATE_TEST_SUITE_P(Players, WindowCloseRequest, testing::ValuesIn(CloseCases),
                         [](const testing::TestParamInfo<CloseCase>& info) {
                           return std::string(info.param.name);
                         });

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
