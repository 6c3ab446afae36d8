// The main window over the update flow, against a scripted publisher: what the window shows
// of each step, its message boxes, and closing it during a download.
#include "ScriptedServer.h"
#include "UpdateFormFixture.h"
#include "app/PlayerUpdate.h"
#include "app/UpdateTexts.h"
#include "controls/TKvButton.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"

#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(VersionText, TheBodyIsReadInTheTurkishCodePage) {
  EXPECT_EQ(app::DecodeWindows1254("1.0.0.1"), "1.0.0.1");
  EXPECT_EQ(app::DecodeWindows1254("\xDD\xFD\xDE\xFE\xD0\xF0\xE7\x80"), "İıŞşĞğç€");
  // Bytes the code page leaves undefined come out as Windows decodes them: C1 controls.
  for (const char byte : {'\x81', '\x8D', '\x8F', '\x90', '\x9D', '\x9E'})
    EXPECT_EQ(app::DecodeWindows1254(std::string(1, byte)),
              QString(QChar(static_cast<unsigned char>(byte))).toStdString())
        << int(static_cast<unsigned char>(byte));
  EXPECT_EQ(app::VersionURL(app::PublisherAt("host")), "http://host/programlar/radyo/kolvarin.txt");
  EXPECT_EQ(app::DownloadURL(app::PublisherAt("host")), "http://host/programlar/radyo/Kolvarin.exe");
}

TEST(PublisherSite, AFolderOfItsOwnAndWhetherItsRedirectsAreFollowed) {
  // A publisher's own folder: its last "/" added when missing; https follows redirects always,
  // http only when the build says so.
  const struct {
    std::string folder;
    bool followSetting;
    std::string versionURL;
    bool follows;
  } sites[] = {
      {"https://radio.example/radyo", false, "https://radio.example/radyo/kolvarin.txt", true},
      {"HTTPS://radio.example:8443/", false, "HTTPS://radio.example:8443/kolvarin.txt", true},
      {"http://radio.example/a/", false, "http://radio.example/a/kolvarin.txt", false},
      {"http://radio.example/a/", true, "http://radio.example/a/kolvarin.txt", true},
  };
  for (const auto& site : sites) {
    const app::PublisherSite publisher = app::PublisherFolder(site.folder, site.followSetting);
    EXPECT_EQ(app::VersionURL(publisher), site.versionURL) << site.folder;
    EXPECT_EQ(publisher.followRedirects, site.follows) << site.folder;
  }
  // This build's own: the tests' build sets neither the URL nor the setting.
  EXPECT_EQ(app::ConfiguredPublisher().folder, "http://www.kolvarin.example/programlar/radyo/");
  EXPECT_FALSE(app::ConfiguredPublisher().followRedirects);
}

// The window against a scripted publisher, in a working folder that holds an old player.
using UpdateWindow = UpdateFolderTest;
using Form = UpdateForm;

bool Terminated() {
  return platform::TApplication::Instance()->Terminated();
}

TEST_F(UpdateWindow, TheCurrentVersionLeavesThePlayerAlone) {
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

TEST_F(UpdateWindow, AFailedCheckShowsItsMessageAndChangesNothing) {
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

TEST_F(UpdateWindow, ANewVersionIsDownloadedThenSwappedInWithTheOldKeptAsBackup) {
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

TEST_F(UpdateWindow, ClosingTheWindowMidDownloadLeavesThePlayerAndNoPartialFile) {
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

TEST_F(UpdateWindow, ANewPlayerThatFailsToStartIsRolledBackWithAMessageBox) {
  ScriptedServer server(PublisherScripts("#!/bin/sh\nexit 1\n"), 80, "127.0.0.2");
  Form form;
  BoxCloser boxes;
  form.KvButton5Click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.Shown().empty(); }, 15000));
  EXPECT_EQ(boxes.Shown(), app::texts::RolledBack);
  EXPECT_EQ(form.Label9->Caption(), app::texts::Completed);
  EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
  EXPECT_TRUE(QTest::qWaitFor(Terminated, 5000));
}

} // namespace
