// kolvarin-tool.exe against hostile and broken servers: the same texts, lines and exit codes as
// the Linux build.
#include "ScriptedServer.h"
#include "Win32Process.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;
using namespace wintest;

RunResult Tool(const std::vector<std::string>& args) {
  return Run(WinPath(KOLVARIN_TOOL_BINARY), args);
}

std::string UrlOf(const ScriptedServer& server, const std::string& path = "/v.txt") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TEST(WinFetchTool, WritesTheBodyByteForByteAndExitsZero) {
  const std::string body("1.0.0.1\r\n\0\xfe\xff\n", 13);
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n" + body), Close()});
  const RunResult result = Tool({"fetch", UrlOf(server)});
  EXPECT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_EQ(result.out, body);
  EXPECT_EQ(result.err, "");
  EXPECT_NE(server.Received().find("User-Agent: Mozilla/3.0 (compatible; Kolvarin Updater)\r\n"),
            std::string::npos);
}

TEST(WinFetchTool, EachFailureIsOneLineWithItsCode) {
  ScriptedServer notFound({ReadUntil("\r\n\r\n"),
                           Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"),
                           Close()});
  std::uint16_t closedPort = 0;
  { closedPort = ScriptedServer(Script{}).Port(); }
  ScriptedServer silent(Script{});
  ScriptedServer cut(
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"), Close()});
  ScriptedServer endlessHeader(
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nX: "), Endless(std::string(4096, 'h'))});
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"fetch", UrlOf(notFound)},
       "ENetHTTPProtocolException: HTTP/1.1 404 Not Found\nReplyCode: 404\n"},
      {{"fetch", "http://127.0.0.1:" + std::to_string(closedPort) + "/"},
       "ENetSocketError: Socket Error # 10061\\r\\nConnection refused.\nCode: 10061\n"},
      {{"fetch", "--timeout", "300", UrlOf(silent)}, "ENetReadTimeout: Read Timeout\n"},
      {{"fetch", UrlOf(cut)}, "ENetException: Undefined situation\n"},
      {{"fetch", "https://127.0.0.1/"}, "ENetIOHandlerPropInvalid: IOHandler value is not valid\n"},
      {{"fetch", "http://127.0.0.1:x/"}, "EConvertError: 'x' is not a valid integer value\n"},
  };
  for (const Case& c : cases) {
    const RunResult result = Tool(c.args);
    EXPECT_EQ(result.exitCode, 1u) << c.args.back();
    EXPECT_EQ(result.out, "") << c.args.back();
    EXPECT_EQ(result.err, c.err) << c.args.back();
  }
  const RunResult endless = Tool({"fetch", UrlOf(endlessHeader)});
  EXPECT_EQ(endless.exitCode, 1u);
  EXPECT_EQ(endless.out, "");
  EXPECT_FALSE(endless.err.empty());
}

TEST(WinFetchTool, AnUnknownHostIsHostNotFoundWhereTheResolverSaysSo) {
  const RunResult result = Tool({"fetch", "http://10.0.0.256/"});
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_TRUE(result.err ==
                  "ENetSocketError: Socket Error # 11001\\r\\nHost not found.\nCode: 11001\n" ||
              result.err.find("Code: 11002\n") != std::string::npos)
      << result.err;
}

TEST(WinDownloadTool, PrintsProgressAndDoneOrError) {
  const std::string body(3000, 'p');
  ScriptedServer good({ReadUntil("\r\n\r\n"),
                       Send("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + body), Close()});
  ScriptedServer missing({ReadUntil("\r\n\r\n"),
                          Send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"), Close()});
  ScriptedServer cut({ReadUntil("\r\n\r\n"),
                      Send("HTTP/1.1 200 OK\r\nContent-Length: 9000\r\n\r\n" + body), Close()});
  TempFolder folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.new").string();

  const RunResult done = Tool({"download", "--progress", UrlOf(good, "/Kolvarin.exe"), file});
  EXPECT_EQ(done.exitCode, 0u) << done.out;
  EXPECT_EQ(done.out.substr(done.out.rfind("progress")),
            "progress 3000 3000\ndone " + file + " 3000\n");
  EXPECT_EQ(done.out.rfind("progress 3000 ", 0), 0u) << done.out;
  EXPECT_EQ(ReadAll(file), body);

  for (const ScriptedServer* server : {&missing, &cut}) {
    const RunResult failed = Tool({"download", UrlOf(*server, "/Kolvarin.exe"), file + ".2"});
    EXPECT_EQ(failed.exitCode, 1u);
    EXPECT_EQ(failed.out, "error\n");
  }
}

// The hostile-server table of the Linux reliability tests, where it needs no window: every
// answer ends the command, and only a whole, well-framed 2xx body is ever reported as done.
TEST(WinDownloadTool, HostileAnswersEndInErrorOrTheWholeBody) {
  const std::string body(2000, 'b');
  const std::string length = std::to_string(body.size());
  const std::string valid = "HTTP/1.1 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + body;
  const std::string block(4096, 'x');
  auto answer = [&](const std::string& head, const std::string& rest) {
    return Script{ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n" + head + "\r\n" + rest),
                  Close()};
  };
  std::string storm;
  for (int i = 0; i < 1000; ++i)
    storm += "HTTP/1.1 100 Continue\r\n\r\n";
  enum class Outcome { Done, Error, Either };
  struct Case {
    const char* name;
    Script script;
    Outcome outcome;
  };
  const Case cases[] = {
      {"the whole answer", {ReadUntil("\r\n\r\n"), Send(valid), Close()}, Outcome::Done},
      {"cut in the status line",
       {ReadUntil("\r\n\r\n"), Send(valid.substr(0, 9)), Close()},
       Outcome::Error},
      {"cut in the head",
       {ReadUntil("\r\n\r\n"), Send(valid.substr(0, 25)), Close()},
       Outcome::Error},
      {"cut in the body",
       {ReadUntil("\r\n\r\n"), Send(valid.substr(0, valid.size() - 1)), Close()},
       Outcome::Error},
      {"endless body, no length",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n\r\n"), Endless(block)},
       Outcome::Error},
      // WinINet frames the body by its length and never hands out what follows it: the whole
      // announced body is the file (the Linux layer reads on and fails).
      {"endless body beyond its length",
       {ReadUntil("\r\n\r\n"), Send(valid), Endless(block)},
       Outcome::Either},
      {"endless chunked body",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"),
        Endless("1000\r\n" + block + "\r\n")},
       Outcome::Error},
      {"a 16385-byte header line",
       answer("X-Long: " + std::string(16385 - 8, 'a') + "\r\nContent-Length: " + length + "\r\n",
              body),
       Outcome::Either},
      {"Content-Length not a number", answer("Content-Length: seven\r\n", body), Outcome::Error},
      {"negative Content-Length", answer("Content-Length: -5\r\n", body), Outcome::Error},
      {"Content-Length 2147483648", answer("Content-Length: 2147483648\r\n", body), Outcome::Error},
      {"chunk size 7FFFFFFF with a short body",
       answer("Transfer-Encoding: chunked\r\n", "7FFFFFFF\r\n" + block), Outcome::Error},
      {"1000 interim answers, then the answer",
       {ReadUntil("\r\n\r\n"), Send(storm + valid), Close()},
       Outcome::Either},
      {"answer before the request is read",
       {Send(valid), ReadUntil("\r\n\r\n"), Close()},
       Outcome::Either},
  };
  TempFolder folder;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.script);
    const std::string file = (folder.Path() / ("file" + std::to_string(++index))).string();
    const RunResult result =
        wintest::Run(WinPath(KOLVARIN_TOOL_BINARY),
                     {"download", UrlOf(server, "/Kolvarin.exe"), file}, std::chrono::seconds(30));
    ASSERT_NE(result.exitCode, 0xFFFFFFFFu) << "the command did not end";
    const bool done = result.exitCode == 0;
    if (done) {
      EXPECT_EQ(result.out, "done " + file + " " + length + "\n");
      EXPECT_EQ(ReadAll(file), body);
    } else {
      EXPECT_EQ(result.exitCode, 1u);
      EXPECT_EQ(result.out, "error\n");
    }
    if (c.outcome != Outcome::Either) {
      EXPECT_EQ(done, c.outcome == Outcome::Done);
    }
  }
}

TEST(WinTool, ExplainsItselfAndRefusesBadArguments) {
  const RunResult help = Tool({"fetch", "--help"});
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_NE(help.out.find("usage: kolvarin-tool fetch [--timeout MS] URL"), std::string::npos);
  EXPECT_EQ(Tool({"fetch"}).exitCode, 2u);
  EXPECT_EQ(Tool({"fetch", "--timeout", "soon", "http://x/"}).exitCode, 2u);
  EXPECT_EQ(Tool({"bogus"}).exitCode, 2u);
  EXPECT_EQ(Tool({"render", "."}).exitCode, 2u);
}

} // namespace
