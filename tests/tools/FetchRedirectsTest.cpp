// kolvarin-tool fetch and redirects, on both systems: the version check follows them only when
// the publisher's build asks for it (--follow-redirects here), and then by the rules the
// download keeps too: at most 5 in a row, relative ones from the request's URL.
#include "ScriptedServer.h"
#include "ToolProcess.h"

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
            "ENetException: Too many redirects: more than 5 in a row (the last to /loop)\n");
  // The first request and five redirects.
  EXPECT_EQ(server.Accepted(), 6);
}

} // namespace
