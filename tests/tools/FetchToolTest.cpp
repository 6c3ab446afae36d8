// kolvarin-tool fetch, run as a publisher runs it.
#include "ChildProcess.h"
#include "ScriptedServer.h"
#include "app/VersionClient.h"

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
  const ClosedPort closed;
  const std::uint16_t closedPort = closed.Port();
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

// The limits of the updater's version check, as the tool reports them when a server breaks one.
const std::string BodyTooLarge = "ENetException: Response body exceeds the limit of " +
                                 std::to_string(app::VersionCheckMaxBody) + " bytes\n";
const std::string HeadTooLarge = "ENetException: Response header block exceeds the limit of " +
                                 std::to_string(app::VersionCheckMaxHeaderBlock) + " bytes\n";
const std::string TooSlow =
    "ENetException: The server did not finish its answer within the time limit\n";

// What the tool holds at most beyond what it holds for explaining itself.
long ExtraMemoryKiB(const RunResult& result) {
  static const long idle = Fetch({"fetch", "--help"}).peakResidentKiB;
  return result.peakResidentKiB - idle;
}

TEST(FetchTool, HoldsTheUpdatersLimitsAgainstEndlessAnswersInBoundedMemory) {
  const std::string piece(64 << 10, 'x');
  struct Case {
    const char* what;
    Script script;
    std::string err;
  };
  const Case cases[] = {
      {"endless body",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n\r\n"), Endless(piece)},
       BodyTooLarge},
      {"endless chunks",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"),
        Endless("10000\r\n" + piece + "\r\n")},
       BodyTooLarge},
      {"endless informational answers",
       {ReadUntil("\r\n\r\n"), Endless("HTTP/1.1 100 Continue\r\nX-More: yes\r\n\r\n")},
       HeadTooLarge},
      {"endless header lines",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n"), Endless("X-More: yes\r\n")},
       HeadTooLarge},
      {"a huge announced length and one byte",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 300000000\r\n\r\nx"),
        Close()},
       BodyTooLarge},
  };
  for (const Case& c : cases) {
    ScriptedServer server(c.script);
    const RunResult result = Fetch({"fetch", UrlOf(server)});
    EXPECT_TRUE(result.ExitedWith(1)) << c.what;
    EXPECT_EQ(result.out, "") << c.what;
    EXPECT_EQ(result.err, c.err) << c.what;
    EXPECT_LT(ExtraMemoryKiB(result), 16 << 10) << c.what;
  }
}

TEST(FetchTool, StopsADrippingServerAtTheUpdatersTotalTimeLimit) {
  // Each byte comes well within the wait for each piece; the whole answer would take 90 s.
  ScriptedServer server(
      {ReadUntil("\r\n\r\n"), Drip("HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n1.0.0.1", 2000)});
  const RunResult result =
      RunProgram(KOLVARIN_TOOL_BINARY, {"fetch", UrlOf(server)},
                 std::chrono::milliseconds(app::VersionCheckTotalTimeout) + 20s);
  EXPECT_TRUE(result.ExitedWith(1)) << result.status;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, TooSlow);
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

TEST(RenderTool, RefusesAFolderItCannotMake) {
  TempDir folder;
  std::ofstream(folder.Path() / "file") << "x";
  const std::string target = (folder.Path() / "file" / "pictures").string();
  const RunResult result = RunProgram(KOLVARIN_TOOL_BINARY, {"render", target});
  EXPECT_TRUE(result.ExitedWith(1)) << result.status;
  EXPECT_NE(result.err.find("kolvarin-tool render: cannot create " + target + "\n"),
            std::string::npos)
      << result.err;
}

} // namespace
