// The Windows program, kolvarin-update.exe, run under Wine on the tests' display against a real
// web server (nginx) serving the publisher's files at www.kolvarin.example (127.0.0.3 in the
// private network of scripts/test). It sits in a folder beside an old "Kolvarin.exe": a small
// Win32 program that records each start in "started.txt" beside itself and shows a window of
// class "Kolvarin" (the last line of its file, "# Kolvarin VERSION [exit N | ignores | hangs]",
// tells copies apart and says what a copy does when started without arguments).
//
// scripts/test names the Windows build in KOLVARIN_WINDOWS_BUILD and has the Wine prefix
// (WINEPREFIX) made and its server running before the tests start.
#include "ChildProcess.h"
#include "Publisher.h"
#include "ReadOnlyFolder.h"
#include "ScriptedServer.h"
#include "Signing.h"
#include "TempDir.h"
#include "UpdaterWindows.h"
#include "platform/DesktopWindows.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const char* const Wine = "/usr/lib/wine/wine64";
// Wine names a program's X windows after its file name.
const char* const UpdaterClass = "kolvarin-update.exe";
const char* const PlayerClass = "kolvarin.exe";

// The process ids of the Wine processes running a program of this file name.
std::vector<pid_t> WineProcesses(const std::string& name) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos)
      continue;
    std::string comm = ReadBytes(entry.path() / "comm");
    if (!comm.empty() && comm.back() == '\n')
      comm.pop_back();
    if (comm == name)
      found.push_back(static_cast<pid_t>(std::stol(pid)));
  }
  return found;
}

struct StartRecord {
  std::string arguments;
  std::string folder;
  std::string tag;
};

class WindowsUpdater : public testing::Test {
protected:
  void SetUp() override {
    const char* build = std::getenv("KOLVARIN_WINDOWS_BUILD");
    if (!std::getenv("KOLVARIN_TEST_HOSTS") || !std::getenv("DISPLAY") ||
        !std::getenv("WINEPREFIX") || !build || access("/usr/sbin/nginx", X_OK) != 0 ||
        access(Wine, X_OK) != 0)
      GTEST_SKIP() << "needs the private network, display, nginx, Wine and Windows build of "
                      "scripts/test";
    m_build = build;
    m_recordingPlayer = m_build / "tests/support/kv-recording-player-win.exe";
    ASSERT_TRUE(fs::exists(m_build / "kolvarin-update.exe"));
    ASSERT_TRUE(fs::exists(m_recordingPlayer));
    fs::copy_file(m_build / "kolvarin-update.exe", m_folder.Path() / "kolvarin-update.exe");
    m_oldPlayer = PlayerVersion("1.0.0.0");
    WriteBytes(Player(), m_oldPlayer);
  }

  void TearDown() override {
    // A player the updater started stays running, as it would for a user.
    for (pid_t pid : WineProcesses("Kolvarin.exe"))
      kill(pid, SIGKILL);
    WaitFor([] { return WineProcesses("Kolvarin.exe").empty(); });
  }

  // A copy of the recording player that tells itself apart by `tag`.
  std::string PlayerVersion(const std::string& tag) const {
    return ReadBytes(m_recordingPlayer) + "\n# Kolvarin " + tag + "\n";
  }
  fs::path Player() const { return m_folder.Path() / "Kolvarin.exe"; }
  fs::path Backup() const { return m_folder.Path() / "Kolvarin.bak"; }
  fs::path Partial() const { return m_folder.Path() / "Kolvarin.exe.part"; }

  std::unique_ptr<ChildProcess> StartWindows(const fs::path& program,
                                             std::vector<std::string> args = {}) {
    args.insert(args.begin(), program.string());
    return std::make_unique<ChildProcess>(
        Wine, StartOptions{.args = std::move(args), .workingDir = m_folder.Path()});
  }
  std::unique_ptr<ChildProcess> Start() {
    return StartWindows(m_folder.Path() / "kolvarin-update.exe");
  }

  // The players' starts in the order they happened.
  std::vector<StartRecord> Starts() const {
    std::vector<StartRecord> starts;
    std::istringstream lines(ReadBytes(m_folder.Path() / "started.txt"));
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::istringstream parts(line);
      for (std::string field; std::getline(parts, field, '\t');)
        fields.push_back(field);
      fields.resize(4);
      starts.push_back({fields[1], fields[2], fields[3]});
    }
    return starts;
  }

  // The run ends with exit code 0, `newPlayer` installed in `folder` and `kept` as its backup.
  // A failed install waits with its message box: the window is closed to end it.
  void ExpectEndedWithInstalled(ChildProcess& updater, const fs::path& folder,
                                const std::string& newPlayer, const std::string& kept) {
    const bool ended = updater.WaitExit(60s).has_value();
    if (!ended)
      CloseUntilEnded(updater, UpdaterClass);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(updater.ExitedNormallyWith(0));
    EXPECT_EQ(ReadBytes(folder / "Kolvarin.exe"), newPlayer);
    EXPECT_EQ(ReadBytes(folder / "Kolvarin.bak"), kept);
    EXPECT_FALSE(fs::exists(folder / "Kolvarin.exe.part"));
  }

  // The file named "Kolvarin.exe" is a whole program that Windows starts: it runs, records its
  // start and ends with the exit code it is asked for.
  void ExpectRunnablePlayer(const std::string& expectedTag) {
    SCOPED_TRACE("the player left behind");
    const std::size_t before = Starts().size();
    auto player = StartWindows(Player(), {"exit", "7"});
    ASSERT_TRUE(player->WaitExit(20s));
    EXPECT_TRUE(player->ExitedNormallyWith(7));
    const std::vector<StartRecord> starts = Starts();
    ASSERT_EQ(starts.size(), before + 1);
    EXPECT_EQ(starts.back().arguments, "exit 7");
    EXPECT_EQ(starts.back().tag, "Kolvarin " + expectedTag);
  }

  fs::path m_build;
  fs::path m_recordingPlayer;
  std::string m_oldPlayer;
  TempDir m_folder;
};

TEST_F(WindowsUpdater, TheCurrentVersionLeavesThePlayerAndWaitsToBeClosed) {
  Publisher publisher("1.0.0.0", "unused");
  auto updater = Start();
  ASSERT_TRUE(WaitFor([] { return platform::FindShownWindowByClass(UpdaterClass) != 0; }, 30s));
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(updater->Running());
  EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
  EXPECT_EQ(publisher.AccessLog().find("Kolvarin.exe"), std::string::npos);
  ExpectRunnablePlayer("1.0.0.0");
}

TEST_F(WindowsUpdater, ANewVersionIsSwappedInTheOldKeptAndTheNewStarted) {
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  Publisher publisher("1.0.0.1", newPlayer);
  auto updater = Start();
  // It ends by itself once the new player's window is up.
  ASSERT_TRUE(updater->WaitExit(60s));
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  EXPECT_EQ(ReadBytes(Player()), newPlayer);
  EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Partial()));
  const std::vector<StartRecord> starts = Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].tag, "Kolvarin 1.0.0.1");
  EXPECT_EQ(starts[0].arguments, "");
  EXPECT_NE(platform::FindShownWindowByClass(PlayerClass), platform::NoWindow);
  ExpectRunnablePlayer("1.0.0.1");
}

// kolvarin-update.exe built for a publisher on https with the tests' publisher key
// (KOLVARIN_WINDOWS_HTTPS_UPDATE, KOLVARIN_SIGNED_UPDATE_KEY): the check over our SChannel
// client, the player and its signature over WinINet's https, each certificate checked against
// the tests' authority, which Wine's crypt32 reads from the system bundle.
TEST_F(WindowsUpdater, OverHttpsTheSignedPlayerIsInstalledAndNothingGoesOverPlainHttp) {
  const char* program = std::getenv("KOLVARIN_WINDOWS_HTTPS_UPDATE");
  const char* key = std::getenv("KOLVARIN_SIGNED_UPDATE_KEY");
  if (!program || !key || !fs::exists(program) || !std::getenv("KOLVARIN_TEST_TLS"))
    GTEST_SKIP() << "needs kolvarin-update.exe built for an https publisher (scripts/test)";
  fs::copy_file(program, m_folder.Path() / "kolvarin-update.exe",
                fs::copy_options::overwrite_existing);
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  TempDir signing;
  WriteBytes(signing.Path() / "Kolvarin.exe", newPlayer);
  Publisher publisher("1.0.0.1", newPlayer, "0", SignFile(key, signing.Path() / "Kolvarin.exe"));
  auto updater = Start();
  ASSERT_TRUE(updater->WaitExit(60s));
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  EXPECT_EQ(ReadBytes(Player()), newPlayer);
  EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
  const std::vector<StartRecord> starts = Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].tag, "Kolvarin 1.0.0.1");
  // nginx logs each request's scheme first (Publisher's log format).
  const std::string log = publisher.AccessLog();
  for (const char* file : {"kolvarin.txt ", "Kolvarin.exe ", "Kolvarin.exe.sig "})
    EXPECT_NE(log.find(file), std::string::npos) << file << "\n" << log;
  EXPECT_EQ(log.find("http "), std::string::npos) << log;
}

// A new player that ends with a failure at once, or that makes its window and ends with a
// failure before showing it: neither has started.
TEST_F(WindowsUpdater, ANewPlayerThatFailsAtOnceIsRolledBackAndTheOldOneStarted) {
  for (const char* how : {"exit 1", "hidden exit 3"}) {
    SCOPED_TRACE(how);
    const std::string tag = std::string("1.0.0.1 ") + how;
    const std::string newPlayer = PlayerVersion(tag);
    WriteBytes(Player(), m_oldPlayer);
    fs::remove(m_folder.Path() / "started.txt");
    fs::remove(m_folder.Path() / "Kolvarin.failed");
    Publisher publisher("1.0.0.1", newPlayer);
    auto updater = Start();
    const fs::path failed = m_folder.Path() / "Kolvarin.failed";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(failed); }, 60s));
    // The message box that tells of the return is the window left to close.
    EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
    EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
    EXPECT_EQ(ReadBytes(failed), newPlayer);
    EXPECT_FALSE(fs::exists(Backup()));
    const std::vector<StartRecord> starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].tag, "Kolvarin " + tag);
    EXPECT_EQ(starts[1].tag, "Kolvarin 1.0.0.0");
    ExpectRunnablePlayer("1.0.0.0");
    TearDown();
  }
}

// The check or the download fails: a message box, closed by the user, and the player as it was.
TEST_F(WindowsUpdater, AFailedCheckOrDownloadLeavesThePlayerAsItWas) {
  const struct {
    const char* what;
    std::optional<std::string> version;
    std::optional<std::string> player;
    bool server;
  } cases[] = {
      {"no server", std::nullopt, std::nullopt, false},
      {"the version file missing (404)", std::nullopt, "unused", true},
      {"the player missing (404)", "1.0.0.1", std::nullopt, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<Publisher> publisher;
    if (c.server)
      publisher.emplace(c.version, c.player);
    auto updater = Start();
    EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
    EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
    EXPECT_FALSE(fs::exists(Backup()));
    EXPECT_FALSE(fs::exists(Partial()));
    EXPECT_TRUE(Starts().empty());
  }
  ExpectRunnablePlayer("1.0.0.0");
}

TEST_F(WindowsUpdater, ASilentServerEndsTheCheckWithinItsLimit) {
  // Accepts the connection and never answers: the check gives up after its 30 s limit, and the
  // first window shown is the message box.
  ScriptedServer silent(Script{Pause(60000)}, 80, "127.0.0.3");
  const auto start = std::chrono::steady_clock::now();
  auto updater = Start();
  ASSERT_TRUE(WaitFor([] { return platform::FindShownWindowByClass(UpdaterClass) != 0; }, 50s));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 25s);
  EXPECT_LT(waited, 45s);
  EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
  EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
  ExpectRunnablePlayer("1.0.0.0");
}

TEST_F(WindowsUpdater, TheWindowClosedMidDownloadLeavesThePlayerAndNoPartialFile) {
  Publisher publisher("1.0.0.1", PlayerVersion("1.0.0.1") + std::string(4 << 20, '#'), "200k");
  auto updater = Start();
  ASSERT_TRUE(WaitFor([&] { return fs::exists(Partial()) && fs::file_size(Partial()) > 0; }, 30s));
  EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
  EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Partial()));
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_TRUE(Starts().empty());
  ExpectRunnablePlayer("1.0.0.0");
}

TEST_F(WindowsUpdater, KilledMidDownloadThePlayerStaysAndTheNextRunInstallsTheNewOne) {
  {
    Publisher publisher("1.0.0.1", PlayerVersion("1.0.0.1") + std::string(4 << 20, '#'), "200k");
    auto updater = Start();
    ASSERT_TRUE(
        WaitFor([&] { return fs::exists(Partial()) && fs::file_size(Partial()) > 0; }, 30s));
    // As the task manager's "End task" on a process that does not answer: no code of the
    // program runs any more.
    kill(updater->Pid(), SIGKILL);
    ASSERT_TRUE(updater->WaitExit());
  }
  EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  ExpectRunnablePlayer("1.0.0.0");

  const std::string newPlayer = PlayerVersion("1.0.0.1");
  Publisher publisher("1.0.0.1", newPlayer);
  auto next = Start();
  ASSERT_TRUE(next->WaitExit(60s));
  EXPECT_TRUE(next->ExitedNormallyWith(0));
  EXPECT_EQ(ReadBytes(Player()), newPlayer);
  EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Partial()));
}

// The running player is ended before the check, whether it closes when asked, ignores the
// request or does not answer at all; then the installed player is replaced.
TEST_F(WindowsUpdater, ARunningPlayerIsEndedBeforeTheCheckHoweverItAnswers) {
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  for (const std::string mode : {"closes", "ignores", "hangs"}) {
    SCOPED_TRACE(mode);
    WriteBytes(Player(), m_oldPlayer);
    fs::remove(Backup());
    fs::remove(m_folder.Path() / "started.txt");
    auto running = StartWindows(Player(), {mode});
    ASSERT_TRUE(WaitFor([] { return platform::FindShownWindowByClass(PlayerClass) != 0; }, 30s));

    Publisher publisher("1.0.0.1", newPlayer);
    auto updater = Start();
    ASSERT_TRUE(running->WaitExit(60s));
    if (mode == "closes") {
      EXPECT_TRUE(running->ExitedNormallyWith(0));
    }
    ASSERT_TRUE(updater->WaitExit(60s));
    EXPECT_TRUE(updater->ExitedNormallyWith(0));
    EXPECT_EQ(ReadBytes(Player()), newPlayer);
    EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
    const std::vector<StartRecord> starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].arguments, mode);
    EXPECT_EQ(starts[1].tag, "Kolvarin 1.0.0.1");
    TearDown();
  }
  ExpectRunnablePlayer("1.0.0.1");
}

// The log of a run that cannot write the player's folder, in the Wine prefix's
// %LOCALAPPDATA%.
fs::path LocalLog() {
  const char* user = std::getenv("USER");
  return fs::path(std::getenv("WINEPREFIX")) / "drive_c/users" / (user ? user : "root") /
         "AppData/Local/Kolvarin/update.log";
}

TEST_F(WindowsUpdater, AFolderItCannotWriteIsHandedToAnElevatedRunAndThePlayerKeepsRunning) {
  // Wine's "runas" starts the program again with the same rights: the elevated run, marked by
  // its argument, cannot write either and says so to the first, which tells the user once.
  Publisher publisher("1.0.0.1", PlayerVersion("1.0.0.1"));
  auto player = StartWindows(Player());
  ASSERT_TRUE(WaitFor([] { return platform::FindShownWindowByClass(PlayerClass) != 0; }, 30s));
  fs::remove(LocalLog());
  ReadOnlyFolder readOnly(m_folder.Path());
  ASSERT_TRUE(readOnly.ReadOnly());
  auto updater = Start();
  EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
  EXPECT_TRUE(player->Running());
  EXPECT_NE(platform::FindShownWindowByClass(PlayerClass), platform::NoWindow);
  EXPECT_EQ(ReadBytes(Player()), m_oldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_FALSE(fs::exists(Partial()));
  EXPECT_EQ(publisher.AccessLog(), "");
  std::vector<std::string> lines;
  std::istringstream log(ReadBytes(LocalLog()));
  for (std::string line; std::getline(log, line);)
    lines.push_back(line.substr(line.find(' ', line.find(' ') + 1) + 1));
  const std::vector<std::string> expected = {
      "run: updater 1.0.0.0, player's folder ",
      "the player's folder cannot be changed: ",
      "starting an elevated run: --as-administrator",
      "run: updater 1.0.0.0 (elevated run), player's folder ",
      "the player's folder cannot be changed: ",
      "run ended after ",
      "elevated run ended with 4",
      "the elevated run cannot change the folder either: nothing is downloaded",
      "run ended after ",
  };
  ASSERT_EQ(lines.size(), expected.size()) << ReadBytes(LocalLog());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(lines[i].substr(0, expected[i].size()), expected[i]) << i;
}

TEST_F(WindowsUpdater, TheElevatedRunInstallsTheNewPlayerButDoesNotStartIt) {
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  Publisher publisher("1.0.0.1", newPlayer);
  auto updater = StartWindows(m_folder.Path() / "kolvarin-update.exe", {"--as-administrator"});
  ASSERT_TRUE(updater->WaitExit(60s));
  EXPECT_TRUE(updater->ExitedNormallyWith(2));
  EXPECT_EQ(ReadBytes(Player()), newPlayer);
  EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
  EXPECT_TRUE(Starts().empty());
  const std::string log = ReadBytes(m_folder.Path() / "Kolvarin.update.log");
  EXPECT_NE(log.find("(elevated run)"), std::string::npos) << log;
  EXPECT_NE(log.find("installed by "), std::string::npos) << log;
  EXPECT_EQ(log.find("starting the new player"), std::string::npos) << log;
}

// A player marked read-only (copied from a CD, or by its user): each run installs the newest
// player, never leaves a read-only file of its own behind, and the next run can still replace
// and remove everything. Wine shows a file without write permission as read-only, and, as
// Windows, refuses to remove one.
TEST_F(WindowsUpdater, AReadOnlyPlayerIsUpdatedRunAfterRun) {
  std::string installed = m_oldPlayer;
  for (int run = 1; run <= 3; ++run) {
    const std::string version = "1.0.0." + std::to_string(run);
    SCOPED_TRACE(version);
    fs::permissions(Player(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string newPlayer = PlayerVersion(version);
    Publisher publisher(version, newPlayer);
    auto updater = Start();
    ASSERT_NO_FATAL_FAILURE(
        ExpectEndedWithInstalled(*updater, m_folder.Path(), newPlayer, installed));
    // The started player ends, as the next run would end it.
    TearDown();
    ExpectRunnablePlayer(version);
    installed = newPlayer;
  }
}

// A folder whose Windows name is about 245 characters long: "Kolvarin.exe" still fits in the
// 260 characters of a plain path, "Kolvarin.exe.part" does not.
TEST_F(WindowsUpdater, AnUpdateInAFolderNearThePathLimitInstallsTheNewPlayer) {
  fs::path deep = m_folder.Path();
  // Wine names it "Z:" followed by its path here.
  const auto windowsLength = [&] { return deep.string().size() + 2; };
  while (windowsLength() < 244)
    deep /= std::string(std::min<std::size_t>(40, 244 - windowsLength()), 'k');
  fs::create_directories(deep);
  ASSERT_GT(windowsLength() + std::string("\\Kolvarin.exe.part").size(), 259u);
  ASSERT_LT(windowsLength() + std::string("\\Kolvarin.exe").size(), 260u);
  fs::copy_file(m_folder.Path() / "kolvarin-update.exe", deep / "kolvarin-update.exe");
  WriteBytes(deep / "Kolvarin.exe", m_oldPlayer);
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  Publisher publisher("1.0.0.1", newPlayer);
  ChildProcess updater(
      Wine, StartOptions{.args = {(deep / "kolvarin-update.exe").string()}, .workingDir = deep});
  ASSERT_NO_FATAL_FAILURE(ExpectEndedWithInstalled(updater, deep, newPlayer, m_oldPlayer));
  EXPECT_NE(ReadBytes(deep / "started.txt").find("Kolvarin 1.0.0.1"), std::string::npos);
}

// Another program (kv-hold-file-win) opens the download while it is written, without sharing its
// renaming, and lets go 1.5 s after it is complete: the install waits for it and succeeds.
TEST_F(WindowsUpdater, ADownloadHeldByAnotherProgramIsInstalledOnceItIsLetGo) {
  const std::string newPlayer = PlayerVersion("1.0.0.1") + std::string(1 << 20, '#');
  Publisher publisher("1.0.0.1", newPlayer, "2m");
  auto holder = StartWindows(m_build / "tests/support/kv-hold-file-win.exe",
                             {"Kolvarin.exe.part", std::to_string(newPlayer.size()), "1500"});
  auto updater = Start();
  ASSERT_TRUE(holder->WaitExit(60s));
  EXPECT_TRUE(holder->ExitedNormallyWith(0)) << "the holder saw the whole download";
  ASSERT_NO_FATAL_FAILURE(
      ExpectEndedWithInstalled(*updater, m_folder.Path(), newPlayer, m_oldPlayer));
}

// The updater kept in a folder of its own, which also holds a "Kolvarin.exe", run in the player's
// folder: the player it starts and watches is the one it swapped in there.
TEST_F(WindowsUpdater, TheSwappedPlayerInThePlayersFolderIsStartedNotOneBesideTheUpdater) {
  TempDir updaterFolder;
  fs::copy_file(m_build / "kolvarin-update.exe", updaterFolder.Path() / "kolvarin-update.exe");
  WriteBytes(updaterFolder.Path() / "Kolvarin.exe", PlayerVersion("1.0.0.9"));
  const std::string newPlayer = PlayerVersion("1.0.0.1");
  Publisher publisher("1.0.0.1", newPlayer);
  auto updater = StartWindows(updaterFolder.Path() / "kolvarin-update.exe");
  ASSERT_TRUE(updater->WaitExit(60s));
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  EXPECT_EQ(ReadBytes(Player()), newPlayer);
  EXPECT_EQ(ReadBytes(Backup()), m_oldPlayer);
  const std::vector<StartRecord> starts = Starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].tag, "Kolvarin 1.0.0.1");
  EXPECT_FALSE(fs::exists(updaterFolder.Path() / "started.txt"));
}

} // namespace
