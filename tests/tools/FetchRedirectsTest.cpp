// kolvarin-tool fetch and redirects, on both systems: the version check follows them only when
// the publisher's build asks for it (--follow-redirects here), and then by the rules the
// download keeps too: at most 5 in a row, relative ones from the request's URL.
#include "ScriptedServer.h"
#include "ToolProcess.h"
#include "WebSite.h"
#include "platform/Tls.h"

#include <cstdlib>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

std::string Redirect(int code, const std::string& location) {
  return "HTTP/1.1 " + std::to_string(code) + " Moved\r\nLocation: " + location +
         "\r\nContent-Length: 5\r\nConnection: close\r\n\r\nmoved";
}

const std::string Found = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nfound";

TEST(FetchTool, FollowsEachKindOfRedirectWhenToldAndResolvesRelativeOnes) {
  struct Case {
    int code;
    std::string location; // "{other}" becomes the other server's port
    std::string secondRequest;
  };
  const Case cases[] = {
      {301, "http://127.0.0.1:{other}/b/found.txt", "GET /b/found.txt HTTP/1.1\r\n"},
      {302, "found.txt", "GET /a/found.txt HTTP/1.1\r\n"},
      {303, "../found.txt", "GET /found.txt HTTP/1.1\r\n"},
      {307, "/c/found.txt?x=1", "GET /c/found.txt?x=1 HTTP/1.1\r\n"},
      {308, "//127.0.0.1:{other}/d/found.txt", "GET /d/found.txt HTTP/1.1\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    // An absolute Location leads to another server; a relative one back to the first.
    ScriptedServer other({ReadUntil("\r\n\r\n"), Send(Found), Close()});
    std::string location = c.location;
    const bool elsewhere = location.find("{other}") != std::string::npos;
    if (elsewhere)
      location.replace(location.find("{other}"), 7, std::to_string(other.Port()));
    const std::vector<Script> scripts{
        {ReadUntil("\r\n\r\n"), Send(Redirect(c.code, location)), Close()},
        {ReadUntil("\r\n\r\n"), Send(Found), Close()}};
    ScriptedServer server(scripts);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/a/start.txt";
    const ToolRun result = RunTool({"fetch", "--follow-redirects", url});
    EXPECT_TRUE(result.ExitedWith(0)) << result.err;
    EXPECT_EQ(result.out, "found");
    const std::string second = elsewhere ? other.Received(0) : server.Received(1);
    EXPECT_EQ(second.rfind(c.secondRequest, 0), 0u) << second;
    EXPECT_EQ(server.Accepted(), elsewhere ? 1 : 2);

    // Without the setting a redirect is an answer that is not the file.
    ScriptedServer again(scripts);
    const ToolRun plain = RunTool(
        {"fetch", "http://127.0.0.1:" + std::to_string(again.Port()) + "/a/start.txt"});
    EXPECT_TRUE(plain.ExitedWith(1));
    EXPECT_EQ(plain.out, "");
    EXPECT_NE(plain.err.find("ReplyCode: " + std::to_string(c.code) + "\n"), std::string::npos)
        << plain.err;
    EXPECT_EQ(again.Accepted(), 1);
  }
}

TEST(FetchTool, ARedirectLoopEndsAfterFiveRedirects) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Redirect(302, "/loop")), Close()});
  const ToolRun result = RunTool(
      {"fetch", "--follow-redirects", "http://127.0.0.1:" + std::to_string(server.Port()) + "/loop"});
  EXPECT_TRUE(result.ExitedWith(1));
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "ENetException: more than 5 redirects in a row (the last to /loop)\n");
  // The first request and five redirects.
  EXPECT_EQ(server.Accepted(), 6);
}

// The version check over https against nginx with each of the tests' certificates and redirects
// between the site's two origins, as an updater built for an https folder (or with
// KOLVARIN_FOLLOW_REDIRECTS) makes it: a certificate that is not trusted, is for another name or
// has expired fails before any request, naming its reason; redirects go up to https and within
// it, never back down, at most 5 in a row.
TEST(FetchTool, OverHttpsTrustsOnlyAGoodCertificateAndNeverRedirectsDown) {
  if (!std::getenv("KOLVARIN_TEST_TLS") || !std::getenv("KOLVARIN_TEST_HOSTS"))
    GTEST_SKIP() << "needs the test network and certificates of scripts/test";
  using platform::tls::Failure;
  const std::string version = "1.0.0.1";
  for (const auto& [certificate, failure] :
       {std::pair<const char*, Failure>{"self-signed", Failure::NotTrusted},
        {"other-name", Failure::NameMismatch},
        {"expired", Failure::Expired}}) {
    SCOPED_TRACE(certificate);
    const WebSite site({.files = {{"/kolvarin.txt", version}}, .certificate = certificate});
    const ToolRun result = RunTool({"fetch", site.HttpsURL("/kolvarin.txt")});
    EXPECT_TRUE(result.ExitedWith(1));
    EXPECT_EQ(result.out, "");
    const std::string expected =
        std::string("ENetTLSError: TLS: ") + platform::tls::FailureText(failure) + " (";
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
    EXPECT_EQ(site.AccessLog(), std::vector<std::string>{});
  }

  const WebSite site({.files = {{"/programlar/radyo/kolvarin.txt", version}},
                      .redirects = {{"/up", 301, "{https}/programlar/radyo/kolvarin.txt"},
                                    {"/programlar/eski.txt", 302, "radyo/kolvarin.txt"},
                                    {"/down", 302, "{http}/programlar/radyo/kolvarin.txt"},
                                    {"/up-then-down", 308, "{https}/down"},
                                    {"/loop", 307, "{https}/loop"}}});
  const std::string refusedDown = "ENetException: a redirect from https to http was refused (to " +
                                  site.HttpURL("/programlar/radyo/kolvarin.txt") + ")\n";
  struct Case {
    std::string url;
    std::string err; // empty: the version file arrives
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {site.HttpsURL("/programlar/radyo/kolvarin.txt"), "",
       {"https GET /programlar/radyo/kolvarin.txt 200"}},
      {site.HttpURL("/up"), "", {"http GET /up 301", "https GET /programlar/radyo/kolvarin.txt 200"}},
      {site.HttpsURL("/programlar/eski.txt"), "",
       {"https GET /programlar/eski.txt 302", "https GET /programlar/radyo/kolvarin.txt 200"}},
      {site.HttpsURL("/down"), refusedDown,
       {"https GET /down 302"}},
      {site.HttpURL("/up-then-down"), refusedDown,
       {"http GET /up-then-down 308", "https GET /down 302"}},
      {site.HttpsURL("/loop"),
       "ENetException: more than 5 redirects in a row (the last to " + site.HttpsURL("/loop") +
           ")\n",
       std::vector<std::string>(6, "https GET /loop 307")},
  };
  std::size_t logged = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const ToolRun result = RunTool({"fetch", "--follow-redirects", c.url});
    if (c.err.empty()) {
      EXPECT_TRUE(result.ExitedWith(0)) << result.err;
      EXPECT_EQ(result.out, version);
    } else {
      EXPECT_TRUE(result.ExitedWith(1));
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(site.AccessLogSince(logged), c.log);
  }
}

} // namespace
