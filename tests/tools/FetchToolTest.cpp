// kolvarin-tool fetch, run as a publisher runs it.
#include "ChildProcess.h"
#include "ScriptedServer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using namespace testsupport;

RunResult Fetch(const std::vector<std::string>& args) {
  return RunProgram(KOLVARIN_TOOL_BINARY, args);
}

std::string UrlOf(const ScriptedServer& server, const std::string& path = "/v.txt") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TEST(FetchTool, WritesTheBodyByteForByteAndExitsZero) {
  const std::string body("1.0.0.1\r\n\0\xfe\xff", 12);
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n" + body), Close()});
  const RunResult result = Fetch({"fetch", UrlOf(server)});
  EXPECT_TRUE(result.ExitedWith(0)) << result.err;
  EXPECT_EQ(result.out, body);
  EXPECT_EQ(result.err, "");
  EXPECT_NE(server.Received().find("User-Agent: Mozilla/3.0 (compatible; Kolvarin Updater)\r\n"),
            std::string::npos);
}

TEST(FetchTool, EachFailureIsOneLineWithItsCode) {
  ScriptedServer notFound({ReadUntil("\r\n\r\n"),
                           Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"),
                           Close()});
  std::uint16_t closedPort = 0;
  { closedPort = ScriptedServer(Script{}).Port(); }
  ScriptedServer silent(Script{});
  ScriptedServer cut(
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"), Close()});

  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"fetch", UrlOf(notFound)},
       "ENetHTTPProtocolException: HTTP/1.1 404 Not Found\nReplyCode: 404\n"},
      {{"fetch", "http://127.0.0.1:" + std::to_string(closedPort) + "/"},
       "ENetSocketError: Socket Error # 10061\\r\\nConnection refused.\nCode: 10061\n"},
      {{"fetch", "http://10.0.0.256/"},
       "ENetSocketError: Socket Error # 11001\\r\\nHost not found.\nCode: 11001\n"},
      {{"fetch", "--timeout", "300", UrlOf(silent)}, "ENetReadTimeout: Read Timeout\n"},
      {{"fetch", UrlOf(cut)}, "ENetException: Undefined situation\n"},
      {{"fetch", "https://127.0.0.1/"}, "ENetIOHandlerPropInvalid: IOHandler value is not valid\n"},
      {{"fetch", "http://127.0.0.1:x/"}, "EConvertError: 'x' is not a valid integer value\n"},
  };
  for (const Case& c : cases) {
    const RunResult result = Fetch(c.args);
    EXPECT_TRUE(result.ExitedWith(1)) << c.args.back();
    EXPECT_EQ(result.out, "") << c.args.back();
    EXPECT_EQ(result.err, c.err) << c.args.back();
  }
}

TEST(FetchTool, ExplainsItselfAndRefusesBadArguments) {
  const RunResult help = Fetch({"fetch", "--help"});
  EXPECT_TRUE(help.ExitedWith(0));
  EXPECT_NE(help.out.find("usage: kolvarin-tool fetch [--timeout MS] URL"), std::string::npos);
  EXPECT_TRUE(Fetch({"fetch"}).ExitedWith(2));
  EXPECT_TRUE(Fetch({"fetch", "--timeout", "soon", "http://x/"}).ExitedWith(2));
  EXPECT_TRUE(Fetch({"bogus"}).ExitedWith(2));
  EXPECT_TRUE(RunProgram(KOLVARIN_TOOL_BINARY, {"--help"}).ExitedWith(0));
}

TEST(RenderTool, WritesEveryControlInEachStateAndAnIndex) {
  TempDir folder;
  const RunResult result = RunProgram(KOLVARIN_TOOL_BINARY, {"render", folder.Path().string()});
  EXPECT_TRUE(result.ExitedWith(0)) << result.err;
  std::ifstream index(folder.Path() / "index.html");
  const std::string html((std::istreambuf_iterator<char>(index)), {});
  for (const char* file :
       {"progress-0.png", "progress-50.png", "progress-100.png", "panel.png", "groupbox-1.png",
        "groupbox-2.png", "urllabel-unvisited.png", "urllabel-visited.png", "urllabel-disabled.png",
        "button-guncelle-hot.png", "button-manuel-disabled.png", "button-vazgec-focused.png",
        "button-vazgec-pressed.png", "button-guncelle-normal.png"}) {
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / file)) << file;
    EXPECT_NE(html.find(file), std::string::npos) << file;
  }
}

} // namespace
