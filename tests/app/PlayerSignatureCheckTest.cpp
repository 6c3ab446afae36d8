// The signature step between a complete download and the swap, against a scripted publisher at
// kolvarin-test.example (127.0.0.2:80, from the hosts file scripts/test provides).
#include "app/PlayerSignatureCheck.h"

#include "ScriptedServer.h"
#include "Signing.h"
#include "WebSite.h"
#include "app/PlayerUpdate.h"
#include "app/UpdateTexts.h"
#include "platform/Internet.h"
#include "platform/Tls.h"

#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const char* const Mismatch = "the signature does not match the file";
const char* const NotDer = "the signature is not a DER-encoded ECDSA signature";
const char* const NotDownloaded =
    "the signature could not be downloaded (missing, longer than 4096 bytes, or cut short)";

std::string Answer(const std::string& body, const std::string& status = "200 OK") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

Script Serving(const std::string& answer) {
  return {ReadUntil("\r\n\r\n"), Send(answer), Close()};
}

class SignatureCheck : public testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("KOLVARIN_TEST_HOSTS"))
      GTEST_SKIP() << "needs the hosts file and port 80 of scripts/test";
    m_previous = fs::current_path();
    fs::current_path(m_folder.Path());
    publisher = MakeKeyPair(m_folder.Path(), "publisher");
    other = MakeKeyPair(m_folder.Path(), "other");
    WriteBytes("published.exe", player);
    signature = SignFile(publisher.privateKey, "published.exe");
    ASSERT_FALSE(signature.empty());
  }
  void TearDown() override {
    if (!m_previous.empty())
      fs::current_path(m_previous);
  }

  // Checks the download (`part` as "Kolvarin.exe.part") as the update flow does; every verdict
  // raised is kept.
  std::vector<platform::SignatureVerdict> Check(const std::string& key, const std::string& part,
                                                bool waitThread = true) {
    WriteBytes(app::PartialPlayerName, part);
    app::PlayerSignatureCheck check(key);
    check.WaitThread = waitThread;
    std::vector<platform::SignatureVerdict> verdicts;
    check.OnChecked = [&](const platform::SignatureVerdict& verdict) {
      verdicts.push_back(verdict);
    };
    check.Start(app::SignatureURL(app::DownloadURL(app::PublisherAt(Host))), app::SignatureName,
                app::PartialPlayerName);
    if (!waitThread) {
      EXPECT_TRUE(verdicts.empty());
      EXPECT_TRUE(check.Running());
      EXPECT_TRUE(QTest::qWaitFor([&] { return !verdicts.empty(); }, 10000));
    }
    EXPECT_FALSE(check.Running());
    // The file is the caller's; the signature never stays.
    EXPECT_EQ(ReadBytes(app::PartialPlayerName), part);
    EXPECT_FALSE(fs::exists(fs::symlink_status(app::SignatureName)));
    return verdicts;
  }

  static constexpr const char* Host = "kolvarin-test.example";
  const std::string player = PlayerBytes();
  PublisherKeyPair publisher, other;
  std::string signature;
  TempDir m_folder;
  fs::path m_previous;
};

TEST_F(SignatureCheck, OnlyThePublishersSignatureOfTheDownloadedFileIsGood) {
  struct Case {
    const char* what;
    std::string answer;
    bool tampered;
    std::string reason; // empty: good
  };
  const std::string padded = signature + std::string(4096 - signature.size(), '\0');
  const Case cases[] = {
      {"the publisher's signature", Answer(signature), false, ""},
      {"a byte of the download flipped", Answer(signature), true, Mismatch},
      {"a byte of the signature flipped", Answer(FlipByte(signature, -1)), false, Mismatch},
      {"signed by another key", Answer(SignFile(other.privateKey, "published.exe")), false,
       Mismatch},
      {"an empty signature", Answer(""), false, "the signature is empty"},
      {"a truncated signature", Answer(signature.substr(0, signature.size() - 3)), false, NotDer},
      {"4096 bytes, the most fetched", Answer(padded), false, NotDer},
      {"4097 bytes", Answer(padded + '\0'), false, NotDownloaded},
      {"a 1 MiB signature", Answer(signature + std::string((1 << 20) - signature.size(), 'A')),
       false, NotDownloaded},
      {"no signature published (404)", Answer("Not Found", "404 Not Found"), false, NotDownloaded},
      {"a signature cut short",
       "HTTP/1.1 200 OK\r\nContent-Length: 72\r\n\r\n" + signature.substr(0, 10), false,
       NotDownloaded},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server(Serving(c.answer), 80, "127.0.0.2");
    const auto verdicts = Check(publisher.publicPem, c.tampered ? FlipByte(player, 4321) : player);
    ASSERT_EQ(verdicts.size(), 1u);
    EXPECT_EQ(verdicts[0].Good, c.reason.empty());
    EXPECT_EQ(verdicts[0].Reason, c.reason);
    const std::string request = server.Received();
    EXPECT_EQ(request.substr(0, request.find("\r\n")),
              "GET /programlar/radyo/Kolvarin.exe.sig HTTP/1.0");
    EXPECT_NE(request.find("\r\nUser-Agent: Kolvarin Downloader\r\n"), std::string::npos);
  }
}

TEST_F(SignatureCheck, WithoutAKeyAnUnsignedPlayerPassesAndNothingIsFetched) {
  // The same unsigned download, once checked by a build without a key and once by one with.
  ScriptedServer server(Serving(Answer("Not Found", "404 Not Found")), 80, "127.0.0.2");
  const auto unchecked = Check("", player);
  ASSERT_EQ(unchecked.size(), 1u);
  EXPECT_TRUE(unchecked[0].Good);
  EXPECT_EQ(server.Accepted(), 0);

  const auto checked = Check(publisher.publicPem, player);
  ASSERT_EQ(checked.size(), 1u);
  EXPECT_FALSE(checked[0].Good);
  EXPECT_EQ(checked[0].Reason, NotDownloaded);
  EXPECT_EQ(server.Accepted(), 1);
}

// What the signature does not cover: it names no version, so any player the publisher ever
// signed passes with its own signature when a server offers it instead of the newest.
TEST_F(SignatureCheck, AnOlderSignedPlayerReplayedWithItsOwnSignaturePasses) {
  const std::string older = PlayerBytes(3000);
  WriteBytes("older.exe", older);
  ScriptedServer server(Serving(Answer(SignFile(publisher.privateKey, "older.exe"))), 80,
                        "127.0.0.2");
  const auto verdicts = Check(publisher.publicPem, older);
  ASSERT_EQ(verdicts.size(), 1u);
  EXPECT_TRUE(verdicts[0].Good) << verdicts[0].Reason;
}

TEST_F(SignatureCheck, TheVerdictArrivesLaterWhenTheCallerDoesNotWait) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Pause(200), Send(Answer(signature)), Close()}, 80,
                        "127.0.0.2");
  const auto verdicts = Check(publisher.publicPem, player, false);
  ASSERT_EQ(verdicts.size(), 1u);
  EXPECT_TRUE(verdicts[0].Good) << verdicts[0].Reason;
}

TEST_F(SignatureCheck, APlantedLinkUnderTheSignatureNameIsNeverWrittenThrough) {
  WriteBytes("victim", "precious");
  fs::create_symlink("victim", app::SignatureName);
  ScriptedServer server(Serving(Answer(signature)), 80, "127.0.0.2");
  const auto verdicts = Check(publisher.publicPem, player);
  ASSERT_EQ(verdicts.size(), 1u);
  EXPECT_TRUE(verdicts[0].Good) << verdicts[0].Reason;
  EXPECT_EQ(ReadBytes("victim"), "precious");
}

// A signature that the internet layer refuses to fetch is bad with the layer's own reason.
TEST_F(SignatureCheck, ASignatureRefusedOnTheWayIsBadWithItsReason) {
  if (!std::getenv("KOLVARIN_TEST_TLS"))
    GTEST_SKIP() << "needs the test certificates of scripts/test";
  const WebSite untrusted(
      {.files = {{"/Kolvarin.exe.sig", signature}}, .certificate = "self-signed"});
  const WebSite downgrading(
      {.files = {{"/Kolvarin.exe.sig", signature}},
       .redirects = {{"/down/Kolvarin.exe.sig", 302, "{http}/Kolvarin.exe.sig"}}});
  const std::string prefix = "the signature could not be downloaded: ";
  const std::pair<std::string, std::string> cases[] = {
      {untrusted.HttpsURL("/Kolvarin.exe.sig"),
       prefix + platform::tls::FailureText(platform::tls::Failure::NotTrusted)},
      {downgrading.HttpsURL("/down/Kolvarin.exe.sig"),
       prefix + platform::inet::InsecureRedirectText},
  };
  for (const auto& [url, reason] : cases) {
    SCOPED_TRACE(url);
    WriteBytes(app::PartialPlayerName, player);
    app::PlayerSignatureCheck check(publisher.publicPem);
    check.WaitThread = true;
    std::vector<platform::SignatureVerdict> verdicts;
    check.OnChecked = [&](const platform::SignatureVerdict& verdict) {
      verdicts.push_back(verdict);
    };
    check.Start(url, app::SignatureName, app::PartialPlayerName);
    ASSERT_EQ(verdicts.size(), 1u);
    EXPECT_FALSE(verdicts[0].Good);
    EXPECT_EQ(verdicts[0].Reason, reason);
    EXPECT_FALSE(fs::exists(app::SignatureName));
  }
}

} // namespace
