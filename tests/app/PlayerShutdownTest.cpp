#include "app/PlayerShutdown.h"

#include "FakePlayer.h"

#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace testsupport;
using app::ExeNameMatches;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

TEST(ExeNameMatches, ComparesTheBaseNameOrTheWholeTextInAsciiUpperCase) {
  struct Case {
    const char* exe;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"Kolvarin.exe", "Kolvarin.exe", true},
      {"KOLVARIN.EXE", "Kolvarin.exe", true},
      {"kolvarin.Exe", "KOLVARIN.exe", true},
      {"/opt/radio/Kolvarin.exe", "Kolvarin.exe", true},
      {"C:\\Program Files\\Kolvarin\\Kolvarin.exe", "Kolvarin.exe", true},
      {"C:Kolvarin.exe", "Kolvarin.exe", true},
      {"/opt/radio/Kolvarin.exe", "/OPT/RADIO/KOLVARIN.EXE", true},
      {"Kolvarin.exe2", "Kolvarin.exe", false},
      {"xKolvarin.exe", "Kolvarin.exe", false},
      {"/opt/Kolvarin.exe/player", "Kolvarin.exe", false},
      {"Kolvarin.ex", "Kolvarin.exe", false},
      {"", "Kolvarin.exe", false},
      // Only ASCII letters change case: the Turkish dotted capital I is not an 'i'.
      {"KOLVARİN.EXE", "Kolvarin.exe", false},
      {"Kolvarİn.exe", "Kolvarİn.exe", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExeNameMatches(c.exe, c.name), c.matches) << c.exe << " / " << c.name;
}

TEST(AsciiUpperCase, ChangesOnlyTheLettersAToZ) {
  EXPECT_EQ(app::AsciiUpperCase("az AZ 09 .-_ çğıöşü"), "AZ AZ 09 .-_ çğıöşü");
}

// Copies of a long sleep under various names in various folders.
struct NamedProcesses {
  TempDir dir;
  std::vector<std::unique_ptr<ChildProcess>> processes;

  ChildProcess& Start(const std::string& folder, const std::string& name,
                      std::optional<uid_t> uid = std::nullopt) {
    const fs::path exe = CopyProgram("/bin/sleep", dir.Path() / folder, name);
    processes.push_back(
        std::make_unique<ChildProcess>(exe, StartOptions{.args = {"600"}, .uid = uid}));
    ChildProcess& process = *processes.back();
    // Until exec has happened the child still runs the test program.
    EXPECT_TRUE(process.WaitExec(exe)) << exe;
    return process;
  }
};

TEST(TerminateProcessesByName, KillsEveryProcessNamedLikeThePlayerAndNoLookAlike) {
  NamedProcesses set;
  const std::vector<std::pair<std::string, bool>> names = {
      {"Kolvarin.exe", true},   {"KOLVARIN.EXE", true},   {"kolvarin.EXE", true},
      {"Kolvarin.exe2", false}, {"xKolvarin.exe", false}, {"Kolvarin", false},
      {"Kolvarİn.exe", false},
  };
  for (std::size_t i = 0; i < names.size(); ++i)
    set.Start("folder" + std::to_string(i), names[i].first);

  EXPECT_EQ(app::TerminateProcessesByName("Kolvarin.exe"), 3);

  for (std::size_t i = 0; i < names.size(); ++i) {
    ChildProcess& process = *set.processes[i];
    if (names[i].second) {
      ASSERT_TRUE(process.WaitExit()) << names[i].first;
      EXPECT_TRUE(process.KilledBy(SIGKILL)) << names[i].first;
    } else {
      EXPECT_TRUE(process.Running()) << names[i].first;
    }
  }
}

TEST(TerminateProcessesByName, NeverEndsTheSweepingProcessItself) {
  NamedProcesses set;
  ChildProcess& other = set.Start("other", "Kolvarin.exe");
  const fs::path probe =
      CopyProgram(SupportProgram("kv-sweep-probe"), set.dir.Path() / "self", "Kolvarin.exe");

  ChildProcess sweeper(probe, {.args = {"Kolvarin.exe"}});

  EXPECT_EQ(sweeper.ReadLine(), "terminated 1");
  ASSERT_TRUE(sweeper.WaitExit());
  EXPECT_TRUE(sweeper.ExitedNormallyWith(0));
  ASSERT_TRUE(other.WaitExit());
  EXPECT_TRUE(other.KilledBy(SIGKILL));
}

TEST(TerminateProcessesByName, LeavesAloneWhatItMayNotSignal) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to start processes as two different users";
  constexpr uid_t nobody = 65534;
  NamedProcesses set;
  ChildProcess& rootOwned = set.Start("root", "Kolvarin.exe");
  ChildProcess& ownOwned = set.Start("nobody", "Kolvarin.exe", nobody);

  // As an unprivileged user the sweep cannot read root's executable link and falls back to
  // the command line; it may not signal root's process.
  // A copy in the test folder, which the unprivileged user can reach wherever the build is.
  const fs::path probe =
      CopyProgram(SupportProgram("kv-sweep-probe"), set.dir.Path() / "probe", "kv-sweep-probe");
  ChildProcess sweeper(probe, {.args = {"--uid", std::to_string(nobody), "Kolvarin.exe"}});

  EXPECT_EQ(sweeper.ReadLine(), "terminated 1");
  ASSERT_TRUE(sweeper.WaitExit());
  EXPECT_TRUE(sweeper.ExitedNormallyWith(0));
  ASSERT_TRUE(ownOwned.WaitExit());
  EXPECT_TRUE(ownOwned.KilledBy(SIGKILL));
  EXPECT_TRUE(rootOwned.Running());
}

TEST(CloseWindowProcess, NoWindowReturnsAtOnce) {
  const auto start = Clock::now();
  app::CloseWindowProcess(platform::NoWindow);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(CloseWindowProcess, OutcomeFollowsHowThePlayerAnswers) {
  KV_REQUIRE_DISPLAY();
  struct Case {
    std::vector<std::string> args;
    bool killed;
  };
  const Case cases[] = {
      {{"close"}, false},
      {{"close", "--delay", "500"}, false},
      // Busy for 2 s before it reads its events: asked, not killed.
      {{"close", "--busy", "2000"}, false},
      {{"ignore"}, true},
      {{"hang"}, true},
  };
  for (const Case& c : cases) {
    FakePlayer player(c.args);
    ASSERT_NE(player.window, 0u) << c.args[0];
    const auto start = Clock::now();

    app::CloseWindowProcess(platform::FindWindowByClass(app::PlayerWindowClass));

    // However the player answers, the close keeps within its allowance.
    EXPECT_LT(Clock::now() - start, app::PlayerCloseTimeout + std::chrono::seconds(1)) << c.args[0];
    ASSERT_TRUE(player.process->WaitExit()) << c.args[0];
    if (c.killed)
      EXPECT_TRUE(player.process->KilledBy(SIGKILL)) << c.args[0];
    else
      EXPECT_TRUE(player.process->ExitedNormallyWith(0)) << c.args[0];
  }
}

TEST(CloseWindowProcess, DoesNotKillTheOwnerOfAWindowOnAnotherMachine) {
  KV_REQUIRE_DISPLAY();
  FakePlayer player({"ignore", "--machine", "some-other-host.example"});
  ASSERT_NE(player.window, 0u);

  app::CloseWindowProcess(player.window);

  EXPECT_TRUE(player.process->Running());
}

} // namespace
