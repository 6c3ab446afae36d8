#include "ChildProcess.h"
#include "FakePlayer.h"
#include "ScriptedServer.h"
#include "Signing.h"
#include "UpdateFlowFixture.h"
#include "app/PlayerSignatureCheck.h"
#include "app/PlayerUpdate.h"
#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "controls/TKvButton.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/DesktopWindows.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(RemainingTime, TenThousandBytesASecondWithoutCarryingIntoHours) {
  const std::tuple<std::uint32_t, std::uint32_t, const char*> cases[] = {
      {1000000, 1025, "00:01:39 Sn "},   {1000000, 1000000, "00:00:00 Sn "},
      {9999, 0, "00:00:00 Sn "},         {36000000, 0, "00:60:00 Sn "},
      {100, 200, "00:00:00 Sn "},        {600000, 0, "00:01:00 Sn "},
      {1000000000, 0, "00:1666:40 Sn "},
  };
  for (const auto& [total, complete, text] : cases)
    EXPECT_EQ(app::RemainingTimeText(total, complete), std::string(text)) << total;
}

TEST(VersionText, TheBodyIsReadInTheTurkishCodePage) {
  EXPECT_EQ(app::DecodeWindows1254("1.0.0.1"), "1.0.0.1");
  EXPECT_EQ(app::DecodeWindows1254("\xDD\xFD\xDE\xFE\xD0\xF0\xE7\x80"), "İıŞşĞğç€");
  // Bytes the code page leaves undefined come out as Windows decodes them: C1 controls.
  for (const char byte : {'\x81', '\x8D', '\x8F', '\x90', '\x9D', '\x9E'})
    EXPECT_EQ(app::DecodeWindows1254(std::string(1, byte)),
              QString(QChar(static_cast<unsigned char>(byte))).toStdString())
        << int(static_cast<unsigned char>(byte));
  EXPECT_EQ(app::VersionURL("host"), "http://host/programlar/radyo/kolvarin.txt");
  EXPECT_EQ(app::DownloadURL("host"), "http://host/programlar/radyo/Kolvarin.exe");
}

// The window against a scripted publisher, in a working folder that holds an old player.
using UpdateFlow = UpdateFolderTest;
using Form = UpdateForm;

TEST_F(UpdateFlow, TheCurrentVersionLeavesThePlayerAlone) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.0")), Close()}, 80, "127.0.0.2");
  Form form;
  form.KvButton5Click();
  EXPECT_EQ(form.Label9->Caption(), app::texts::Current);
  EXPECT_EQ(form.Label13->Caption(), std::string("Kolvarin Radyo Versiyon : 1.0.0.0"));
  EXPECT_EQ(form.Label14->Caption(), std::string("Kolvarin Radyo Versiyon : 1.0.0.0"));
  EXPECT_EQ(form.KvURLLabel1->URL(),
            std::string("http://kolvarin-test.example/programlar/radyo/kolvarin.txt"));
  EXPECT_FALSE(form.KvButton5->Enabled());
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_FALSE(fs::exists("Kolvarin.bak"));
  EXPECT_EQ(server.Accepted(), 1);
}

TEST_F(UpdateFlow, AnEmptyBodyIsANewVersionWithAnEmptyLabel) {
  ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer("")), Close()},
                         {ReadUntil("\r\n\r\n"), Pause(2000), Close()}},
                        80, "127.0.0.2");
  Form form;
  form.KvButton5Click();
  EXPECT_EQ(form.Label9->Caption(), app::texts::Downloading);
  EXPECT_EQ(form.Label14->Caption(), std::string("Kolvarin Radyo Versiyon : "));
}

TEST_F(UpdateFlow, AFailedCheckShowsItsMessageAndChangesNothing) {
  for (const std::string& answer :
       {Answer("<html>gone</html>", "404 Not Found"),
        std::string("HTTP/1.1 302 Found\r\nLocation: http://x/\r\nContent-Length: 0\r\n\r\n")}) {
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(answer), Close()}, 80, "127.0.0.2");
    Form form;
    BoxCloser boxes;
    EXPECT_THROW(form.KvButton5Click(), platform::EAbort);
    EXPECT_EQ(boxes.Shown(), app::texts::CheckFailed);
    EXPECT_EQ(form.Label9->Caption(), app::texts::Checking);
    EXPECT_EQ(form.Label13->Caption(), std::string());
    EXPECT_EQ(form.Label14->Caption(), std::string());
    EXPECT_EQ(form.KvURLLabel1->Caption(), std::string());
    EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
    EXPECT_FALSE(fs::exists("Kolvarin.bak"));
  }
}

TEST_F(UpdateFlow, ANewVersionIsDownloadedThenSwappedInWithTheOldKeptAsBackup) {
  const std::string player = "#!/bin/sh\necho started > started.txt\n";
  ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
                         {ReadUntil("\r\n\r\n"),
                          Send("HTTP/1.0 200 OK\r\nContent-Length: " +
                               std::to_string(player.size()) + "\r\n\r\n" + player),
                          Close()}},
                        80, "127.0.0.2");
  std::ofstream("Kolvarin.bak") << "older backup";
  std::ofstream(app::PartialPlayerName) << "leftover";
  Form form;
  form.KvButton5Click();
  EXPECT_EQ(form.Label9->Caption(), app::texts::Downloading);
  EXPECT_EQ(form.Label14->Caption(), std::string("Kolvarin Radyo Versiyon : 1.0.0.1"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists("started.txt"); }, 10000));
  // A player that ends with success has started.
  ASSERT_TRUE(
      QTest::qWaitFor([] { return platform::TApplication::Instance()->Terminated(); }, 10000));

  EXPECT_EQ(FileText("Kolvarin.exe"), player);
  EXPECT_EQ(FileText("Kolvarin.bak"), "old player");
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_EQ(fs::status("Kolvarin.exe").permissions() & fs::perms::all, fs::perms(0750));
  EXPECT_EQ(form.Label9->Caption(), app::texts::Completed);
  EXPECT_EQ(form.KvProgressBar1->Percent(), 100);
  EXPECT_EQ(form.Label6->Caption(), std::to_string(player.size()) + std::string(" Kb"));
  EXPECT_EQ(form.Label8->Caption(), std::string("00:00:00 Sn "));
  EXPECT_FALSE(fs::exists(app::FailedPlayerName));
  QCoreApplication::processEvents();
}

TEST_F(UpdateFlow, AFailedDownloadLeavesThePlayerAndNoPartialFile) {
  const std::vector<Script> downloads = {
      {ReadUntil("\r\n\r\n"), Send(Answer("missing", "404 Not Found")), Close()},
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\nonly a part"),
       Close()},
  };
  for (const Script& download : downloads) {
    ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()}, download}, 80,
                          "127.0.0.2");
    Form form;
    BoxCloser boxes;
    form.KvButton5Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Shown().empty(); }, 10000));
    EXPECT_EQ(boxes.Shown(), app::texts::DownloadFailed);
    EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
    EXPECT_FALSE(fs::exists("Kolvarin.bak"));
    EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  }
}

TEST_F(UpdateFlow, ClosingTheWindowMidDownloadLeavesThePlayerAndNoPartialFile) {
  ScriptedServer server(
      {{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
       {ReadUntil("\r\n\r\n"),
        Send("HTTP/1.0 200 OK\r\nContent-Length: 900000\r\n\r\n" + std::string(5000, 'x')),
        Pause(3000), Close()}},
      80, "127.0.0.2");
  {
    Form form;
    form.KvButton5Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.KvProgressBar1->TotalParts() > 0; }, 10000));
    ASSERT_TRUE(fs::exists(app::PartialPlayerName));
  }
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_FALSE(fs::exists("Kolvarin.bak"));
}

TEST_F(UpdateFlow, APlantedLinkUnderTheTemporaryNameIsNeverWrittenThrough) {
  TempDir elsewhere;
  const fs::path target = elsewhere.Path() / "victim";
  std::ofstream(target) << "precious";
  fs::create_symlink(target, app::PartialPlayerName);
  ScriptedServer server(
      {{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nnew"), Close()}},
      80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  QTest::qWait(500);
  EXPECT_EQ(FileText(target), "precious");
}

TEST_F(UpdateFlow, APlantedLinkUnderTheBackupNameIsReplacedNotFollowed) {
  TempDir elsewhere;
  const fs::path target = elsewhere.Path() / "victim";
  std::ofstream(target) << "precious";
  fs::create_symlink(target, app::BackupName);
  const std::string player = "#!/bin/sh\necho started > started.txt\n";
  ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
                         {ReadUntil("\r\n\r\n"), Send(Answer(player)), Close()}},
                        80, "127.0.0.2");
  Form form;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists("started.txt"); }, 10000));
  EXPECT_EQ(FileText(target), "precious");
  EXPECT_FALSE(fs::is_symlink(app::BackupName));
  EXPECT_EQ(FileText(app::BackupName), "old player");
  QCoreApplication::processEvents();
}

TEST_F(UpdateFlow, ASwapThatFailsShowsTheFailureAndKeepsTheStatusAndThePlayer) {
  // A folder with something in it cannot be removed to make room for the backup.
  fs::create_directory(app::BackupName);
  std::ofstream(fs::path(app::BackupName) / "keep") << "keep";
  ScriptedServer server({{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
                         {ReadUntil("\r\n\r\n"), Send(Answer("#!/bin/sh\n")), Close()}},
                        80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Shown().empty(); }, 10000));
  EXPECT_EQ(boxes.Shown(), app::texts::DownloadFailed);
  EXPECT_EQ(form.Label9->Caption(), app::texts::Downloading);
  EXPECT_FALSE(platform::TApplication::Instance()->Terminated());
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_EQ(FileText(fs::path(app::BackupName) / "keep"), "keep");
}

TEST_F(UpdateFlow, ABackupWithoutAPlayerIsPutBackFirst) {
  // An earlier run ended between the old player's rename to the backup and the new one's.
  fs::rename("Kolvarin.exe", app::BackupName);
  Form form;
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_EQ(fs::status("Kolvarin.exe").permissions() & fs::perms::all, fs::perms(0750));
  EXPECT_FALSE(fs::exists(app::BackupName));
}

// The publisher's two files, and the player's signature when one is given.
std::vector<Script> PublisherScripts(const std::string& player,
                                     const std::optional<std::string>& signature = std::nullopt) {
  std::vector<Script> scripts = {{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
                                 {ReadUntil("\r\n\r\n"), Send(Answer(player)), Close()}};
  if (signature)
    scripts.push_back({ReadUntil("\r\n\r\n"), Send(Answer(*signature)), Close()});
  return scripts;
}

bool Terminated() {
  return platform::TApplication::Instance()->Terminated();
}

// The old player leaves a mark when it is started again.
class RollBackFlow : public UpdateFolderTest {
protected:
  std::string OldPlayer() const override { return "#!/bin/sh\necho old > old-started.txt\n"; }
  void TearDown() override {
    // A player that keeps running is ended by the process id it wrote.
    std::ifstream pidFile("pid.txt");
    pid_t pid = 0;
    if (pidFile >> pid && pid > 0)
      ::kill(pid, SIGKILL);
    UpdateFolderTest::TearDown();
  }
};

struct FailingPlayer {
  std::string bytes;
  // The permission bits of the installed player, which the new one takes over.
  int mode;
  bool oldStarts;
};

// The new player is installed, fails to start, and the old one is put back and started.
void ExpectRollBack(const FailingPlayer& player, const std::string& oldPlayer) {
  fs::permissions("Kolvarin.exe", fs::perms(player.mode));
  ScriptedServer server(PublisherScripts(player.bytes), 80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Shown().empty(); }, 15000));
  EXPECT_EQ(boxes.Shown(), app::texts::RolledBack);
  EXPECT_EQ(form.Label9->Caption(), app::texts::Completed);
  EXPECT_EQ(FileText("Kolvarin.exe"), oldPlayer);
  EXPECT_EQ(FileText(app::FailedPlayerName), player.bytes);
  EXPECT_FALSE(fs::exists(app::BackupName));
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_EQ(fs::status("Kolvarin.exe").permissions() & fs::perms::all, fs::perms(player.mode));
  EXPECT_TRUE(Terminated());
  if (player.oldStarts)
    EXPECT_TRUE(QTest::qWaitFor([] { return fs::exists("old-started.txt"); }, 5000));
  else
    EXPECT_FALSE(fs::exists("old-started.txt"));
}

TEST_F(RollBackFlow, APlayerOfAWrongFormatIsReplacedByTheOldOne) {
  ExpectRollBack({std::string("\177ELF\011\011\011") + std::string(200, '\0'), 0750, true},
                 OldPlayer());
}

TEST_F(RollBackFlow, APlayerThatCannotBeRunIsReplacedByTheOldOne) {
  // Without execute permission neither player runs; the old one is put back all the same.
  ExpectRollBack({"#!/bin/sh\necho new > new-started.txt\n", 0640, false}, OldPlayer());
  EXPECT_FALSE(fs::exists("new-started.txt"));
}

TEST_F(RollBackFlow, APlayerThatExitsWithAFailureIsReplacedByTheOldOne) {
  ExpectRollBack({"#!/bin/sh\necho new > new-started.txt\nexit 1\n", 0750, true}, OldPlayer());
  EXPECT_TRUE(fs::exists("new-started.txt"));
}

TEST_F(RollBackFlow, APlayerThatCrashesIsReplacedByTheOldOne) {
  ExpectRollBack({"#!/bin/sh\necho new > new-started.txt\nkill -SEGV $$\n", 0750, true},
                 OldPlayer());
  EXPECT_TRUE(fs::exists("new-started.txt"));
}

TEST_F(RollBackFlow, AnOlderPlayerWindowThatStayedIsNotTakenForTheNewOnes) {
  KV_REQUIRE_DISPLAY();
  // A player that ignored the request to close is still on the display.
  FakePlayer stayed({"ignore"});
  ASSERT_NE(stayed.window, 0u);
  ExpectRollBack({"#!/bin/sh\nexit 1\n", 0750, true}, OldPlayer());
}

TEST_F(RollBackFlow, APlayerThatShowsItsWindowHasStarted) {
  KV_REQUIRE_DISPLAY();
  const std::string player = "#!/bin/sh\necho $$ > pid.txt\nexec '" +
                             SupportProgram("kv-fake-player").string() + "' close\n";
  ScriptedServer server(PublisherScripts(player), 80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor(Terminated, 15000));
  EXPECT_TRUE(platform::FindWindowByClass("Kolvarin") != 0);
  EXPECT_EQ(FileText("Kolvarin.exe"), player);
  EXPECT_EQ(FileText(app::BackupName), OldPlayer());
  EXPECT_FALSE(fs::exists(app::FailedPlayerName));
  EXPECT_FALSE(fs::exists("old-started.txt"));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RollBackFlow, APlayerStillRunningAtTheLimitHasStartedAndAFailureAfterItChangesNothing) {
  const std::string player = "#!/bin/sh\necho $$ > pid.txt\nsleep 3\nexit 1\n";
  ScriptedServer server(PublisherScripts(player), 80, "127.0.0.2");
  Form form;
  form.UseStartLimit(std::chrono::milliseconds(1500));
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor([] { return fs::exists("pid.txt"); }, 10000));
  // While it waits, the window answers and shows the completion.
  QTest::qWait(300);
  EXPECT_FALSE(Terminated());
  EXPECT_EQ(form.Label9->Caption(), app::texts::Completed);
  ASSERT_TRUE(QTest::qWaitFor(Terminated, 10000));
  // The player's failing end comes after the limit and is not counted.
  QTest::qWait(3000);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(FileText("Kolvarin.exe"), player);
  EXPECT_EQ(FileText(app::BackupName), OldPlayer());
  EXPECT_FALSE(fs::exists(app::FailedPlayerName));
}

TEST_F(RollBackFlow, AFailingPlayerWithoutAnOldOneIsLeftInPlace) {
  fs::remove("Kolvarin.exe");
  const std::string player = "#!/bin/sh\nexit 1\n";
  ScriptedServer server(PublisherScripts(player), 80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor(Terminated, 10000));
  QTest::qWait(200);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(FileText("Kolvarin.exe"), player);
  EXPECT_FALSE(fs::exists(app::FailedPlayerName));
}

// The window with a publisher key: a player is installed only with the publisher's signature.
class SignedFlow : public UpdateFolderTest {
protected:
  void SetUp() override {
    UpdateFolderTest::SetUp();
    if (IsSkipped())
      return;
    m_publisher = MakeKeyPair(m_keys.Path(), "publisher");
    m_other = MakeKeyPair(m_keys.Path(), "other");
  }
  std::string Sign(const std::string& bytes, const PublisherKeyPair& keys) {
    const fs::path file = m_keys.Path() / "player";
    WriteBytes(file, bytes);
    return SignFile(keys.privateKey, file);
  }
  TempDir m_keys;
  PublisherKeyPair m_publisher;
  PublisherKeyPair m_other;
};

const std::string SignedPlayer = "#!/bin/sh\necho started > started.txt\n";

TEST_F(SignedFlow, AGoodSignatureIsFetchedThenThePlayerInstalledAndStarted) {
  ScriptedServer server(PublisherScripts(SignedPlayer, Sign(SignedPlayer, m_publisher)), 80,
                        "127.0.0.2");
  Form form;
  form.UseKey(m_publisher.publicPem);
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor(Terminated, 15000));
  EXPECT_EQ(server.Accepted(), 3);
  EXPECT_EQ(FileText("Kolvarin.exe"), SignedPlayer);
  EXPECT_EQ(FileText(app::BackupName), "old player");
  EXPECT_FALSE(fs::exists(app::SignatureName));
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_TRUE(QTest::qWaitFor([] { return fs::exists("started.txt"); }, 5000));
}

TEST_F(SignedFlow, APlayerWithoutItsPublishersSignatureIsNeverInstalled) {
  const std::string good = Sign(SignedPlayer, m_publisher);
  const std::string tampered = FlipByte(SignedPlayer, -3);
  const std::vector<std::pair<const char*, std::vector<Script>>> cases = {
      {"tampered player", PublisherScripts(tampered, good)},
      {"tampered signature", PublisherScripts(SignedPlayer, FlipByte(good, -2))},
      {"another key", PublisherScripts(SignedPlayer, Sign(SignedPlayer, m_other))},
      {"empty signature", PublisherScripts(SignedPlayer, std::string())},
      {"oversized signature", PublisherScripts(SignedPlayer, good + std::string(5000, 'x'))},
      {"missing signature",
       {PublisherScripts(SignedPlayer)[0],
        PublisherScripts(SignedPlayer)[1],
        {ReadUntil("\r\n\r\n"), Send(Answer("missing", "404 Not Found")), Close()}}},
  };
  for (const auto& [name, scripts] : cases) {
    ScriptedServer server(scripts, 80, "127.0.0.2");
    Form form;
    form.UseKey(m_publisher.publicPem);
    BoxCloser boxes;
    form.KvButton5Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Shown().empty(); }, 15000)) << name;
    EXPECT_EQ(boxes.Shown(), app::texts::DownloadFailed) << name;
    EXPECT_EQ(server.Accepted(), 3) << name;
    EXPECT_EQ(FileText("Kolvarin.exe"), "old player") << name;
    EXPECT_FALSE(fs::exists(app::BackupName)) << name;
    EXPECT_FALSE(fs::exists(app::PartialPlayerName)) << name;
    EXPECT_FALSE(fs::exists(app::SignatureName)) << name;
    EXPECT_FALSE(fs::exists("started.txt")) << name;
    EXPECT_FALSE(Terminated()) << name;
  }
}

TEST_F(SignedFlow, WithoutAKeyTheSameUnsignedPlayerIsInstalledAndNoSignatureFetched) {
  ScriptedServer server(PublisherScripts(SignedPlayer), 80, "127.0.0.2");
  Form form;
  form.UseKey(std::string());
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor(Terminated, 15000));
  EXPECT_EQ(server.Accepted(), 2);
  EXPECT_EQ(FileText("Kolvarin.exe"), SignedPlayer);
}

TEST_F(SignedFlow, ClosingTheWindowWhileTheSignatureIsFetchedLeavesNoFileBehind) {
  ScriptedServer server(
      {PublisherScripts(SignedPlayer)[0],
       PublisherScripts(SignedPlayer)[1],
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.0 200 OK\r\nContent-Length: 70\r\n\r\n0123456789"),
        Pause(3000), Close()}},
      80, "127.0.0.2");
  {
    Form form;
    form.UseKey(m_publisher.publicPem);
    form.KvButton5Click();
    ASSERT_TRUE(QTest::qWaitFor([] { return fs::exists(app::SignatureName); }, 10000));
    ASSERT_TRUE(fs::exists(app::PartialPlayerName));
  }
  EXPECT_FALSE(fs::exists(app::SignatureName));
  EXPECT_FALSE(fs::exists(app::PartialPlayerName));
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_FALSE(fs::exists(app::BackupName));
}

} // namespace
