// The whole update flow against servers that misbehave in every way we could think of, for the
// version check and for the download: each case must end in one of the window's outcomes,
// within its limit, with bounded memory, and with a runnable player in the working folder.
//
// The limits are scaled down so that the matrix runs in about a minute: the version check waits
// 3 s for a piece (the window: 30 s) and 5 s in all (60 s); the download stalls after 3 s with
// less than 1 KiB (60 s).
#include "ChildProcess.h"
#include "ReliabilityReport.h"
#include "ScriptedServer.h"
#include "UpdateFormFixture.h"
#include "app/PlayerUpdate.h"
#include "app/UpdateTexts.h"
#include "controls/TKvURLLabel.h"
#include "platform/Exceptions.h"
#include "platform/Internet.h"

#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <chrono>
#include <set>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string OldPlayerScript = "#!/bin/sh\necho old player\n";
const std::string NewPlayerScript = "#!/bin/sh\necho new player > started.txt\n";

const std::string CheckFailed = "check failed";
const std::string Current = "current version";
const std::string DownloadFailed = "download failed";
const std::string Installed = "new player installed and started";

struct Case {
  std::string name;
  Script script;
  std::set<std::string> allowed;
};

struct Result {
  std::string outcome;
  double seconds = 0;
  long peakKiB = -1;
  bool nothingLost = false;
  std::string folder; // what the working folder held when something was lost
};

class HostileServer : public UpdateFolderTest {
protected:
  std::string OldPlayer() const override { return OldPlayerScript; }
  void SetUp() override {
    UpdateFolderTest::SetUp();
    platform::inet::SetStallLimit(std::chrono::milliseconds(3000));
  }
  void TearDown() override {
    platform::inet::SetStallLimit(std::chrono::milliseconds(60000));
    UpdateFolderTest::TearDown();
  }

  // One attempt: the version check plays `check`, a download that follows plays `download`.
  // With `fresh`, the folder is first reset to the old player alone.
  static Result Attempt(const Script& check, const Script& download, bool fresh = true) {
    if (fresh) {
      fs::remove("Kolvarin.bak");
      fs::remove("started.txt");
      {
        std::ofstream("Kolvarin.exe", std::ios::trunc) << OldPlayerScript;
      }
      fs::permissions("Kolvarin.exe", fs::perms(0750));
    }

    Result result;
    ScriptedServer server({check, download}, 80, "127.0.0.2");
    {
      UpdateForm form;
      BoxCloser boxes;
      form.sget.SetReadTimeout(3000);
      form.sget.TotalTimeout = 5000;
      PeakMemory memory;
      const auto start = Clock::now();
      try {
        form.KvButton5Click();
      } catch (const platform::EAbort&) {
        result.outcome = boxes.Shown() == app::texts::CheckFailed ? CheckFailed : "silent abort";
      }
      if (result.outcome.empty()) {
        if (form.Label9->Caption() == app::texts::Current) {
          result.outcome = Current;
        } else {
          (void)QTest::qWaitFor(
              [&] { return !boxes.Shown().empty() || fs::exists("started.txt"); }, 20000);
          if (boxes.Shown() == app::texts::DownloadFailed)
            result.outcome = DownloadFailed;
          else if (fs::exists("started.txt"))
            result.outcome = Installed;
          else
            result.outcome = "no end within 20 s";
        }
      }
      result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      result.peakKiB = memory.GrowthKiB();
    }
    QCoreApplication::processEvents();
    result.nothingLost = NothingLost(result.outcome == Installed, result.folder);
    return result;
  }

  // The folder holds the complete old player (or, after an install, the complete new one with
  // the old as the backup), it runs, and no partial download is left.
  static bool NothingLost(bool installed, std::string& folder) {
    const std::string player = FileText("Kolvarin.exe");
    folder = "Kolvarin.exe=[" + player + "] part=" +
             std::to_string(fs::exists(app::PartialPlayerName)) +
             " bak=[" + FileText("Kolvarin.bak") + "]";
    if (fs::exists(app::PartialPlayerName))
      return false;
    if (installed ? (player != NewPlayerScript || FileText("Kolvarin.bak") != OldPlayerScript)
                  : player != OldPlayerScript)
      return false;
    return RunProgram(fs::absolute("Kolvarin.exe"), {}).ExitedWith(0);
  }

  void RunMatrix(const std::string& faultClass, const std::vector<Case>& cases, bool forCheck) {
    const Script checkOK = {ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()};
    const Script downloadMissing = {ReadUntil("\r\n\r\n"), Send(Answer("gone", "404 Not Found")),
                                    Close()};
    for (const Case& c : cases) {
      const Result r = forCheck ? Attempt(c.script, downloadMissing) : Attempt(checkOK, c.script);
      Record({faultClass, c.name, r.outcome, r.nothingLost, r.seconds, r.peakKiB});
      EXPECT_TRUE(c.allowed.count(r.outcome)) << c.name << ": " << r.outcome;
      EXPECT_TRUE(r.nothingLost) << c.name << ": " << r.folder;
      EXPECT_LT(r.seconds, 12.0) << c.name;
      EXPECT_LT(r.peakKiB, 16 * 1024) << c.name;
    }
  }
};

// The cases every answer gets: `valid` is a complete good answer whose head ends at
// `headEnd`; `ok` is the outcome it gives and `fail` the one for a broken answer; `cutBody` the
// outcome of a body cut short.
std::vector<Case> Truncations(const std::string& valid, std::size_t headEnd, const std::string& ok,
                              const std::string& fail, const std::string& cutBody) {
  std::vector<Case> cases;
  for (std::size_t k = 0; k <= valid.size(); ++k) {
    const std::string outcome = k == valid.size() ? ok : k < headEnd ? fail : cutBody;
    cases.push_back({"close after byte " + std::to_string(k),
                     {ReadUntil("\r\n\r\n"), Send(valid.substr(0, k)), Close()},
                     {outcome}});
  }
  for (std::size_t k : {std::size_t{0}, std::size_t{9}, headEnd - 2, headEnd, headEnd + 3}) {
    if (k >= valid.size())
      continue;
    std::set<std::string> allowed = {fail};
    if (k >= headEnd)
      allowed.insert(cutBody);
    cases.push_back({"reset after byte " + std::to_string(k),
                     {ReadUntil("\r\n\r\n"), Send(valid.substr(0, k)), Reset()},
                     allowed});
  }
  return cases;
}

std::string Hex(std::size_t n) {
  char text[32];
  std::snprintf(text, sizeof text, "%zx", n);
  return text;
}

// The rest of the matrix over an answer of body `body`.
std::vector<Case> Hostile(const std::string& body, const std::string& ok, const std::string& fail,
                          const std::set<std::string>& longLine) {
  const std::string length = std::to_string(body.size());
  const std::string valid = "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + body;
  auto answer = [&](const std::string& head, const std::string& rest) {
    return Script{ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n" + head + "\r\n" + rest),
                  Close()};
  };
  const std::string block(4096, 'x');
  const std::string redirect =
      "HTTP/1.1 302 Found\r\nLocation: http://kolvarin-test.example/again\r\n"
      "Content-Length: 0\r\n\r\n";
  std::string storm;
  for (int i = 0; i < 1000; ++i)
    storm += "HTTP/1.1 100 Continue\r\n\r\n";
  // Where the answer is ambiguous any plain outcome will do (for the version check a text
  // other than the current version leads to the download, which meets a 404).
  const std::set<std::string> either = {ok, fail, DownloadFailed};
  return {
      {"slow drip, one byte every 2 s", {ReadUntil("\r\n\r\n"), Drip(valid, 2000)}, {fail}},
      {"endless body, no length",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n\r\n"), Endless(block)},
       {fail}},
      {"endless body beyond its length",
       {ReadUntil("\r\n\r\n"), Send(valid), Endless(block)},
       // The version check stops reading at the length; the download fails past it.
       {ok == Current ? ok : fail}},
      {"endless chunked body",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"),
        Endless("1000\r\n" + block + "\r\n")},
       {fail}},
      {"endless header lines",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n"),
        Endless("X-Filler: " + std::string(100, 'a') + "\r\n")},
       {fail}},
      {"a 16385-byte header line",
       answer("X-Long: " + std::string(16385 - 8, 'a') + "\r\nContent-Length: " + length + "\r\n",
              body),
       longLine},
      {"Content-Length not a number", answer("Content-Length: seven\r\n", body), either},
      {"negative Content-Length", answer("Content-Length: -5\r\n", body), either},
      {"Content-Length twice, same",
       answer("Content-Length: " + length + "\r\nContent-Length: " + length + "\r\n", body),
       either},
      {"Content-Length twice, different",
       answer("Content-Length: " + length + "\r\nContent-Length: 3\r\n", body), either},
      {"huge Content-Length", answer("Content-Length: 99999999999999999999\r\n", body), either},
      // Above 32 bits: the version check reads it as no length (until the close), the download
      // fails on it.
      {"Content-Length 2147483648", answer("Content-Length: 2147483648\r\n", body),
       {ok == Current ? ok : fail}},
      {"Content-Length with chunked",
       answer("Content-Length: 3\r\nTransfer-Encoding: chunked\r\n",
              Hex(body.size()) + "\r\n" + body + "\r\n0\r\n\r\n"),
       either},
      {"chunk size that overflows",
       answer("Transfer-Encoding: chunked\r\n", "FFFFFFFFFFFFFFFFFFFFFFFF\r\n" + block), either},
      {"chunk size 7FFFFFFF with a short body",
       answer("Transfer-Encoding: chunked\r\n", "7FFFFFFF\r\n" + block), {fail}},
      {"redirect loop", {ReadUntil("\r\n\r\n"), Send(redirect), Close()}, {fail}},
      {"1000 interim answers, then the answer",
       {ReadUntil("\r\n\r\n"), Send(storm + valid), Close()}, {ok}},
      {"endless interim answers",
       {ReadUntil("\r\n\r\n"), Endless("HTTP/1.1 100 Continue\r\n\r\n")}, {fail}},
      {"NUL byte in a header", answer(std::string("X-Nul: a\0b\r\n", 12) + "Content-Length: " + length + "\r\n", body), either},
      {"bare CR in the head", answer("X-Cr: a\rb\r\nContent-Length: " + length + "\r\n", body), either},
      {"answer before the request is read",
       {Send(valid), ReadUntil("\r\n\r\n"), Close()}, {ok}},
      {"accepts and never reads nor answers", {Hold(8000)}, {fail}},
  };
}

std::string NewPlayerAnswer() {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(NewPlayerScript.size()) +
         "\r\n\r\n" + NewPlayerScript;
}

TEST_F(HostileServer, VersionCheckCutShortAtEveryByte) {
  const std::string valid = Answer("1.0.0.0");
  // A body cut short is the version text as far as it came (the client does not treat a short
  // body as an error): a different version, so the download starts and meets a 404.
  RunMatrix("hostile server: version check, cut short",
            Truncations(valid, valid.find("\r\n\r\n") + 4, Current, CheckFailed, DownloadFailed),
            true);
}

TEST_F(HostileServer, DownloadCutShortAtEveryByte) {
  const std::string valid = NewPlayerAnswer();
  RunMatrix("hostile server: download, cut short",
            Truncations(valid, valid.find("\r\n\r\n") + 4, Installed, DownloadFailed,
                        DownloadFailed),
            false);
}

TEST_F(HostileServer, VersionCheckAgainstHostileAnswers) {
  RunMatrix("hostile server: version check", Hostile("1.0.0.0", Current, CheckFailed, {CheckFailed}),
            true);
}

TEST_F(HostileServer, DownloadAgainstHostileAnswers) {
  RunMatrix("hostile server: download",
            Hostile(NewPlayerScript, Installed, DownloadFailed, {Installed}), false);
}

} // namespace

namespace {

// The working folder on a small file system of its own (tmpfs, in the mount namespace of
// scripts/test), so that it can be made full or read-only.
class MachineFault : public HostileServer {
protected:
  void SetUp() override {
    HostileServer::SetUp();
    if (IsSkipped())
      return;
    m_mount = m_folder.Path() / "fs";
    fs::create_directory(m_mount);
    if (mount("tmpfs", m_mount.c_str(), "tmpfs", 0, "size=256k,mode=0755") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    fs::current_path(m_mount);
    std::ofstream("Kolvarin.exe") << OldPlayerScript;
    fs::permissions("Kolvarin.exe", fs::perms(0750));
  }
  void TearDown() override {
    HostileServer::TearDown();
    if (!m_mount.empty())
      umount2(m_mount.c_str(), MNT_DETACH);
  }
  static Script CheckNew() { return {ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()}; }
  static Script Serve(const std::string& body) {
    return {ReadUntil("\r\n\r\n"),
            Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n" + body),
            Close()};
  }
  void Report(const std::string& name, const Result& r, bool nothingLost) {
    Record({"machine fault", name, r.outcome, nothingLost, r.seconds, r.peakKiB});
    EXPECT_TRUE(nothingLost) << name << ": " << r.folder;
  }
  fs::path m_mount;
};

TEST_F(MachineFault, AReadOnlyFolderFailsTheDownloadAndKeepsThePlayer) {
  ASSERT_EQ(mount(nullptr, m_mount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=256k"), 0)
      << std::strerror(errno);
  const Result r = Attempt(CheckNew(), Serve(NewPlayerScript), false);
  EXPECT_EQ(r.outcome, DownloadFailed);
  Report("working folder read-only", r, r.nothingLost);
}

TEST_F(MachineFault, ADiskThatFillsFailsTheDownloadAndFreesItsSpace) {
  // 1 MiB does not fit in 256 KiB.
  const std::string big = NewPlayerScript + "#" + std::string(1 << 20, 'x') + "\n";
  const Result r = Attempt(CheckNew(), Serve(big), false);
  EXPECT_EQ(r.outcome, DownloadFailed);
  const fs::space_info space = fs::space(".");
  EXPECT_GT(space.available, 200u * 1024) << "the partial file's space was not given back";
  Report("disk full during the download", r, r.nothingLost);
}

TEST_F(MachineFault, APlayerThatIsAFolderIsMovedAsideWhole) {
  fs::remove("Kolvarin.exe");
  fs::create_directory("Kolvarin.exe");
  std::ofstream("Kolvarin.exe/settings.ini") << "volume=7";
  const Result r = Attempt(CheckNew(), Serve(NewPlayerScript), false);
  EXPECT_EQ(r.outcome, Installed);
  const bool kept = FileText("Kolvarin.exe") == NewPlayerScript &&
                    FileText("Kolvarin.bak/settings.ini") == "volume=7";
  EXPECT_TRUE(kept);
  Report("Kolvarin.exe is a folder", r, kept);
}

TEST_F(MachineFault, AMissingPlayerIsInstalledWithoutABackup) {
  fs::remove("Kolvarin.exe");
  const Result r = Attempt(CheckNew(), Serve(NewPlayerScript), false);
  EXPECT_EQ(r.outcome, Installed);
  const bool ok = FileText("Kolvarin.exe") == NewPlayerScript && !fs::exists("Kolvarin.bak") &&
                  RunProgram(fs::absolute("Kolvarin.exe"), {}).ExitedWith(0);
  EXPECT_TRUE(ok);
  Report("Kolvarin.exe missing", r, ok);
}

TEST_F(MachineFault, ABackupThatCannotBeRemovedFailsTheInstallAndKeepsThePlayer) {
  // A folder with something in it cannot be removed as a file; nor replaced by a rename.
  fs::create_directory("Kolvarin.bak");
  std::ofstream("Kolvarin.bak/keep") << "keep";
  const Result r = Attempt(CheckNew(), Serve(NewPlayerScript), false);
  EXPECT_EQ(r.outcome, DownloadFailed);
  const bool ok = FileText("Kolvarin.exe") == OldPlayerScript && !fs::exists(app::PartialPlayerName) &&
                  FileText("Kolvarin.bak/keep") == "keep" &&
                  RunProgram(fs::absolute("Kolvarin.exe"), {}).ExitedWith(0);
  EXPECT_TRUE(ok);
  Report("Kolvarin.bak cannot be removed", r, ok);
}

} // namespace
