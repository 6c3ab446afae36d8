// The real kolvarin-update program against a real web server (nginx) serving the publisher's
// two files at www.kolvarin.example (127.0.0.3 in the private network of scripts/test), in a
// working folder that holds an old player.
#include "ChildProcess.h"
#include "Publisher.h"
#include "ReadOnlyFolder.h"
#include "ReliabilityReport.h"
#include "ScriptedServer.h"
#include "Signing.h"
#include "UpdaterWindows.h"
#include "platform/DesktopWindows.h"

#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const std::string OldPlayer = "#!/bin/sh\n# Kolvarin 1.0.0.0\n";

std::string Text(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

class Updater : public testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("KOLVARIN_TEST_HOSTS") || !std::getenv("DISPLAY") ||
        access("/usr/sbin/nginx", X_OK) != 0 || access(KOLVARIN_INSTALLED_UPDATE, X_OK) != 0)
      GTEST_SKIP() << "needs the private network, display, nginx and installed program of "
                      "scripts/test";
    std::ofstream(Player()) << OldPlayer;
    fs::permissions(Player(), fs::perms(0755));
  }
  fs::path Player() const { return m_folder.Path() / "Kolvarin.exe"; }
  fs::path Backup() const { return m_folder.Path() / "Kolvarin.bak"; }
  std::unique_ptr<ChildProcess> Start() {
    return std::make_unique<ChildProcess>(KOLVARIN_INSTALLED_UPDATE,
                                          StartOptions{.workingDir = m_folder.Path()});
  }
  TempDir m_folder;
};

TEST_F(Updater, TheCurrentVersionLeavesThePlayerAndWaitsToBeClosed) {
  Publisher publisher("1.0.0.0", "unused");
  auto updater = Start();
  ASSERT_TRUE(WaitFor([] { return platform::FindWindowByClass("kolvarin-update") != 0; }));
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(updater->Running());
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_TRUE(CloseUntilEnded(*updater));
}

TEST_F(Updater, ALoneBackupBecomesThePlayerAgainAtTheStart) {
  // What a run interrupted between the two renames of the fallback swap leaves.
  fs::rename(Player(), Backup());
  Publisher publisher("1.0.0.0", "unused");
  auto updater = Start();
  ASSERT_TRUE(WaitFor([] { return platform::FindWindowByClass("kolvarin-update") != 0; }));
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_TRUE(CloseUntilEnded(*updater));
}

TEST_F(Updater, ANewVersionReplacesThePlayerKeepsTheOldOneAndStartsTheNew) {
  const std::string newPlayer =
      "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n# Kolvarin 1.0.0.1\n";
  Publisher publisher("1.0.0.1", newPlayer);
  auto updater = Start();
  ASSERT_TRUE(updater->WaitExit(20s));
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  EXPECT_EQ(Text(Player()), newPlayer);
  EXPECT_EQ(Text(Backup()), OldPlayer);
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.part"));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(m_folder.Path() / "started.txt"); }, 5s));
}

TEST_F(Updater, ANewPlayerThatFailsAtOnceIsReplacedByTheOldOneWhichIsStarted) {
  const std::string oldPlayer =
      "#!/bin/sh\necho old > \"$(dirname \"$0\")/old-started.txt\"\n# Kolvarin 1.0.0.0\n";
  std::ofstream(Player(), std::ios::trunc) << oldPlayer;
  const std::string newPlayer = "#!/bin/sh\n# Kolvarin 1.0.0.1\nexit 1\n";
  Publisher publisher("1.0.0.1", newPlayer);
  auto updater = Start();
  const fs::path failed = m_folder.Path() / "Kolvarin.failed";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(failed); }, 20s));
  // The message box that tells of the return is the window left to close.
  EXPECT_TRUE(CloseUntilEnded(*updater));
  EXPECT_EQ(Text(Player()), oldPlayer);
  EXPECT_EQ(Text(failed), newPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(m_folder.Path() / "old-started.txt"); }, 5s));
}

TEST_F(Updater, WithoutAServerTheMessageComesFirstAndThePlayerStays) {
  auto updater = Start();
  // The first window is the message box: the main window is not shown before it is closed.
  EXPECT_TRUE(CloseUntilEnded(*updater));
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_FALSE(fs::exists(Backup()));
}

TEST_F(Updater, KilledMidDownloadTheInstalledPlayerStaysRunnable) {
  Publisher publisher("1.0.0.1", std::string(2 << 20, '#'), "100k");
  auto updater = Start();
  const fs::path partial = m_folder.Path() / "Kolvarin.exe.part";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(partial) && fs::file_size(partial) > 0; }, 20s));
  kill(updater->Pid(), SIGKILL);
  ASSERT_TRUE(updater->WaitExit());
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_EQ(fs::status(Player()).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
}

TEST_F(Updater, AMissingVersionFileIsAFailedCheckAndThePlayerStays) {
  Publisher publisher(std::nullopt, "unused");
  auto updater = Start();
  EXPECT_TRUE(CloseUntilEnded(*updater));
  EXPECT_EQ(Text(Player()), OldPlayer);
}

TEST_F(Updater, AFailedOrAbandonedDownloadLeavesThePlayerAndNoPartialFile) {
  // The player file is missing on the server (404), then the window is closed mid-download.
  {
    Publisher publisher("1.0.0.1", std::nullopt);
    auto updater = Start();
    EXPECT_TRUE(CloseUntilEnded(*updater));
  }
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.part"));
  EXPECT_FALSE(fs::exists(Backup()));
  {
    Publisher publisher("1.0.0.1", std::string(4 << 20, '#'), "100k");
    auto updater = Start();
    const fs::path partial = m_folder.Path() / "Kolvarin.exe.part";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(partial) && fs::file_size(partial) > 0; }, 20s));
    EXPECT_TRUE(CloseUntilEnded(*updater));
  }
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.part"));
  EXPECT_FALSE(fs::exists(Backup()));
}

TEST_F(Updater, ASilentServerEndsTheCheckWithinItsLimit) {
  // Accepts the connection and never answers: the check gives up after its 30 s limit.
  ScriptedServer silent(Script{Pause(60000)}, 80, "127.0.0.3");
  const auto start = std::chrono::steady_clock::now();
  auto updater = Start();
  platform::WindowHandle box = platform::NoWindow;
  ASSERT_TRUE(WaitFor(
      [&] {
        box = platform::FindWindowByClass("kolvarin-update");
        return box != platform::NoWindow;
      },
      45s));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 25s);
  EXPECT_LT(waited, 40s);
  EXPECT_TRUE(CloseUntilEnded(*updater));
  EXPECT_EQ(Text(Player()), OldPlayer);
}

TEST_F(Updater, ARunningPlayerIsClosedBeforeTheCheck) {
  Publisher publisher("1.0.0.0", "unused");
  ChildProcess player(SupportProgram("kv-fake-player"), {.args = {"close"}});
  ASSERT_TRUE(player.ReadLine().has_value());
  auto updater = Start();
  ASSERT_TRUE(player.WaitExit());
  EXPECT_TRUE(player.ExitedNormallyWith(0));
  EXPECT_TRUE(CloseUntilEnded(*updater));
}

TEST_F(Updater, AFolderItCannotWriteLeavesThePlayerRunningAndTellsOnce) {
  Publisher publisher("1.0.0.1", "#!/bin/sh\n# Kolvarin 1.0.0.1\n");
  ChildProcess player(SupportProgram("kv-fake-player"), {.args = {"close"}});
  ASSERT_TRUE(player.ReadLine().has_value());
  TempDir data;
  ReadOnlyFolder readOnly(m_folder.Path());
  ASSERT_TRUE(readOnly.ReadOnly());
  ChildProcess updater(KOLVARIN_INSTALLED_UPDATE,
                       {.workingDir = m_folder.Path(),
                        .environment = {"XDG_STATE_HOME=" + data.Path().string()}});
  // The message box is the one window; closing it ends the program with 0.
  EXPECT_TRUE(CloseUntilEnded(updater));
  EXPECT_TRUE(player.Running());
  EXPECT_EQ(Text(Player()), OldPlayer);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.Path()), fs::directory_iterator()), 1);
  EXPECT_EQ(publisher.AccessLog(), "");
  const std::string log = Text(data.Path() / "Kolvarin" / "update.log");
  EXPECT_NE(log.find("the player's folder cannot be changed: Cannot create file"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("no elevated run: the player is left running"), std::string::npos) << log;
}

// FNV-1a of a file's bytes, for the report.
std::string Hash(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes)
    h = (h ^ c) * 1099511628211ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

TEST_F(Updater, KilledAtTwentyRandomMomentsThePlayerIsAlwaysWholeAndTheNextRunWorks) {
  const std::string newPlayer = "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n#" +
                                std::string(1 << 20, 'n') + "\n";
  Publisher publisher("1.0.0.1", newPlayer, "4m");
  std::mt19937 random(20261210); // fixed: a failure can be replayed
  std::uniform_int_distribution<int> moment(0, 1500);
  for (int i = 0; i < 20; ++i) {
    fs::remove(Backup());
    fs::remove(m_folder.Path() / "started.txt");
    std::ofstream(Player(), std::ios::trunc) << OldPlayer;
    fs::permissions(Player(), fs::perms(0755));

    const int ms = moment(random);
    auto updater = Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    kill(updater->Pid(), SIGKILL);
    ASSERT_TRUE(updater->WaitExit());
    const std::string after = Text(Player());
    const bool whole =
        (after == OldPlayer || after == newPlayer) &&
        (fs::status(Player()).permissions() & fs::perms::owner_exec) != fs::perms::none;
    EXPECT_TRUE(whole) << "killed at " << ms << " ms: " << after.size() << " bytes";

    // The next run ends normally with the new player installed and started.
    const auto nextStart = std::chrono::steady_clock::now();
    auto next = Start();
    ASSERT_TRUE(next->WaitExit(30s)) << "after a kill at " << ms << " ms";
    const bool recovered = next->ExitedNormallyWith(0) && Text(Player()) == newPlayer &&
                           !fs::exists(m_folder.Path() / "Kolvarin.exe.part") &&
                           WaitFor([&] { return fs::exists(m_folder.Path() / "started.txt"); }, 5s);
    EXPECT_TRUE(recovered) << "after a kill at " << ms << " ms";
    const std::string left = after == newPlayer ? "new" : after == OldPlayer ? "old" : "a broken";
    Record({"killed (SIGKILL) mid-run, then run again",
            "at " + std::to_string(ms) + " ms: Kolvarin.exe " + Hash(after) +
                ", after the next run " + Hash(Text(Player())),
            left + " player whole; the next run installed the new one", whole && recovered,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - nextStart).count(),
            -1});
  }
}

// What the system calls that name or rename files did to "Kolvarin.exe", from strace's record.
struct PlayerNameTrace {
  std::vector<std::string> takenAway; // calls that removed or renamed it away without a replacement
  int replacements = 0;               // renames onto it that succeeded
  int backupLinks = 0;                // "Kolvarin.bak" made a second name of it
};

// One line of strace's record, "name(arguments) = result ...", taken apart; false for a line of
// another shape (a signal, an unfinished call).
bool SplitCall(const std::string& line, std::string& name, std::string& arguments,
               std::string& result) {
  std::size_t open = 0;
  while (open < line.size() &&
         (std::isalnum(static_cast<unsigned char>(line[open])) || line[open] == '_'))
    ++open;
  // strace pads short calls: the closing parenthesis, spaces, "= ", the result.
  const std::size_t equals = line.rfind(" = ");
  if (open == 0 || open >= line.size() || line[open] != '(' || equals == std::string::npos)
    return false;
  const std::size_t close = line.find_last_not_of(' ', equals);
  if (close == std::string::npos || close <= open || line[close] != ')')
    return false;
  name = line.substr(0, open);
  arguments = line.substr(open + 1, close - open - 1);
  result = line.substr(equals + 3, line.find(' ', equals + 3) - (equals + 3));
  return true;
}

// The double-quoted strings of a call's arguments, with their escapes as written.
std::vector<std::string> QuotedStrings(const std::string& arguments) {
  std::vector<std::string> strings;
  for (std::size_t at = arguments.find('"'); at != std::string::npos;
       at = arguments.find('"', at + 1)) {
    std::string text;
    for (++at; at < arguments.size() && arguments[at] != '"'; ++at) {
      if (arguments[at] == '\\' && at + 1 < arguments.size())
        text += arguments[at++];
      text += arguments[at];
    }
    strings.push_back(text);
  }
  return strings;
}

PlayerNameTrace ReadPlayerNameTrace(const fs::path& folder, const std::string& prefix) {
  const auto base = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
  PlayerNameTrace trace;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind(prefix, 0) != 0)
      continue;
    std::istringstream lines(Text(entry.path()));
    for (std::string line; std::getline(lines, line);) {
      std::string name, arguments, result;
      if (!SplitCall(line, name, arguments, result) || result != "0")
        continue;
      std::vector<std::string> paths;
      for (const std::string& quoted : QuotedStrings(arguments))
        paths.push_back(base(quoted));
      if (paths.empty())
        continue;
      const bool exchange = arguments.find("RENAME_EXCHANGE") != std::string::npos;
      if (name.rfind("unlink", 0) == 0 && paths[0] == "Kolvarin.exe")
        trace.takenAway.push_back(line);
      if (name.rfind("rename", 0) == 0 && paths.size() == 2) {
        if (paths[0] == "Kolvarin.exe" && !exchange)
          trace.takenAway.push_back(line);
        if (paths[1] == "Kolvarin.exe")
          ++trace.replacements;
      }
      if (name.rfind("link", 0) == 0 && paths.size() == 2 && paths[0] == "Kolvarin.exe" &&
          paths[1] == "Kolvarin.bak")
        ++trace.backupLinks;
    }
  }
  return trace;
}

TEST_F(Updater, TracedInstallNeverRemovesOrRenamesAwayThePlayerWithoutReplacingIt) {
  if (access("/usr/bin/strace", X_OK) != 0)
    GTEST_SKIP() << "needs strace (scripts/setup installs it)";
  const std::string newPlayer =
      "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n# Kolvarin 1.0.0.1\n";
  Publisher publisher("1.0.0.1", newPlayer);
  std::ofstream(Backup()) << "older backup";
  TempDir traces;
  // Every thread and child in a file of its own, so that no call is split between two lines.
  ChildProcess updater(
      "/usr/bin/strace",
      {.args = {"-ff", "-qq", "-e", "signal=none", "-e",
                "trace=unlink,unlinkat,rename,renameat,renameat2,link,linkat", "-o",
                (traces.Path() / "calls").string(), KOLVARIN_INSTALLED_UPDATE},
       .workingDir = m_folder.Path()});
  ASSERT_TRUE(updater.WaitExit(30s));
  ASSERT_TRUE(updater.ExitedNormallyWith(0));
  ASSERT_EQ(Text(Player()), newPlayer);
  EXPECT_EQ(Text(Backup()), OldPlayer);

  const PlayerNameTrace trace = ReadPlayerNameTrace(traces.Path(), "calls");
  EXPECT_EQ(trace.replacements, 1);
  EXPECT_EQ(trace.backupLinks, 1);
  for (const std::string& line : trace.takenAway)
    ADD_FAILURE() << "the player's name was taken away: " << line;
}

} // namespace

namespace {

// The updater built with a publisher key of the tests' own: scripts/test makes the key pair and
// that build, and names both in KOLVARIN_SIGNED_UPDATE and KOLVARIN_SIGNED_UPDATE_KEY.
class SignedUpdater : public Updater {
protected:
  void SetUp() override {
    const char* program = std::getenv("KOLVARIN_SIGNED_UPDATE");
    const char* key = std::getenv("KOLVARIN_SIGNED_UPDATE_KEY");
    if (!program || !key || access(program, X_OK) != 0)
      GTEST_SKIP() << "needs the updater built with the tests' publisher key (scripts/test)";
    m_program = program;
    m_privateKey = key;
    Updater::SetUp();
  }
  std::unique_ptr<ChildProcess> StartSigned() {
    return std::make_unique<ChildProcess>(m_program, StartOptions{.workingDir = m_folder.Path()});
  }
  std::string Sign(const std::string& bytes) {
    const fs::path file = m_signing.Path() / "Kolvarin.exe";
    WriteBytes(file, bytes);
    return SignFile(m_privateKey, file);
  }

  std::string m_program;
  fs::path m_privateKey;
  TempDir m_signing;
};

const std::string SignedPlayer =
    "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n# Kolvarin 1.0.0.1\n";

TEST_F(SignedUpdater, APlayerWithItsPublishersSignatureIsInstalledAndStarted) {
  Publisher publisher("1.0.0.1", SignedPlayer, "0", Sign(SignedPlayer));
  auto updater = StartSigned();
  ASSERT_TRUE(updater->WaitExit(20s));
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  EXPECT_EQ(Text(Player()), SignedPlayer);
  EXPECT_EQ(Text(Backup()), OldPlayer);
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.part"));
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.sig"));
  EXPECT_TRUE(WaitFor([&] { return fs::exists(m_folder.Path() / "started.txt"); }, 5s));
}

// The updater built for a publisher on https (KOLVARIN_HTTPS_UPDATE, with the same key): the
// check, the player and its signature all come over TLS from the tests' nginx, whose
// certificate the tests' authority signed; nothing goes over plain http.
TEST_F(SignedUpdater, OverHttpsTheSignedPlayerIsInstalledAndNothingGoesOverPlainHttp) {
  const char* program = std::getenv("KOLVARIN_HTTPS_UPDATE");
  if (!program || access(program, X_OK) != 0 || !std::getenv("KOLVARIN_TEST_TLS"))
    GTEST_SKIP() << "needs the updater built for an https publisher (scripts/test)";
  Publisher publisher("1.0.0.1", SignedPlayer, "0", Sign(SignedPlayer));
  ChildProcess updater(program, StartOptions{.workingDir = m_folder.Path()});
  ASSERT_TRUE(updater.WaitExit(20s));
  EXPECT_TRUE(updater.ExitedNormallyWith(0));
  EXPECT_EQ(Text(Player()), SignedPlayer);
  EXPECT_EQ(Text(Backup()), OldPlayer);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(m_folder.Path() / "started.txt"); }, 5s));
  // nginx logs the scheme of each request as the first field (Publisher's log format).
  const std::string log = publisher.AccessLog();
  for (const char* file : {"kolvarin.txt ", "Kolvarin.exe ", "Kolvarin.exe.sig "})
    EXPECT_NE(log.find(file), std::string::npos) << file << "\n" << log;
  EXPECT_EQ(log.find("http "), std::string::npos) << log;
}

TEST_F(SignedUpdater, ATamperingPublisherInstallsNothing) {
  // What a man in the middle could serve: another player under the publisher's signature, a
  // signature of the right player cut short, or none at all.
  const std::string tampered = "#!/bin/sh\n# not the publisher's\n";
  const std::string signature = Sign(SignedPlayer);
  const struct {
    const char* what;
    std::string player;
    std::optional<std::string> signature;
  } cases[] = {
      {"another player", tampered, signature},
      {"a signature cut short", SignedPlayer, signature.substr(0, signature.size() - 3)},
      {"no signature", SignedPlayer, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Publisher publisher("1.0.0.1", c.player, "0", c.signature);
    auto updater = StartSigned();
    // The signature was asked for, and the check has cleaned up after itself.
    ASSERT_TRUE(WaitFor(
        [&] {
          return publisher.AccessLog().find("Kolvarin.exe.sig") != std::string::npos &&
                 !fs::exists(m_folder.Path() / "Kolvarin.exe.part") &&
                 !fs::exists(m_folder.Path() / "Kolvarin.exe.sig");
        },
        20s));
    EXPECT_TRUE(CloseUntilEnded(*updater));
    EXPECT_EQ(Text(Player()), OldPlayer);
    EXPECT_FALSE(fs::exists(Backup()));
    EXPECT_FALSE(fs::exists(m_folder.Path() / "started.txt"));
  }
}

} // namespace
