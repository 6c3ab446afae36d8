// kolvarin-tool fetch, and the tool's arguments, run as a publisher runs them: the Linux program,
// and in the Windows suite the Windows one under Wine, with the same texts, lines and exit codes.
#include "ScriptedServer.h"
#include "TempDir.h"
#include "ToolProcess.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

std::string UrlOf(const ScriptedServer& server, const std::string& path = "/v.txt") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TEST(FetchTool, WritesTheBodyByteForByteAndExitsZero) {
  // A line end of each kind and bytes beyond ASCII: nothing is translated on the way out.
  const std::string body("1.0.0.1\r\n\0\xfe\xff\n", 13);
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n" + body), Close()});
  const ToolRun result = RunTool({"fetch", UrlOf(server)});
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
#ifndef _WIN32
      // Wine's resolver may say "try again" instead: the Windows suite has a case of its own.
      {{"fetch", "http://10.0.0.256/"},
       "ENetSocketError: Socket Error # 11001\\r\\nHost not found.\nCode: 11001\n"},
#endif
      {{"fetch", "--timeout", "300", UrlOf(silent)}, "ENetReadTimeout: Read Timeout\n"},
      {{"fetch", UrlOf(cut)}, "ENetException: Undefined situation\n"},
      {{"fetch", UrlOf(endlessHeader)},
       "ENetReadLnMaxLineLengthExceeded: Max line length exceeded.\n"},
      // An https URL connects the same way before its TLS handshake.
      {{"fetch", "https://127.0.0.1:" + std::to_string(closedPort) + "/"},
       "ENetSocketError: Socket Error # 10061\\r\\nConnection refused.\nCode: 10061\n"},
      {{"fetch", "http://127.0.0.1:x/"}, "EConvertError: 'x' is not a valid integer value\n"},
  };
  for (const Case& c : cases) {
    const ToolRun result = RunTool(c.args);
    EXPECT_TRUE(result.ExitedWith(1)) << c.args.back();
    EXPECT_EQ(result.out, "") << c.args.back();
    EXPECT_EQ(result.err, c.err) << c.args.back();
  }
}

// The download engine goes to the port written in the URL, as the version check does; one out
// of range fails without a connection.
TEST(DownloadTool, GoesToThePortWrittenInTheURL) {
  const std::string body = "new player";
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n" + body), Close()});
  ASSERT_NE(server.Port(), 80);
  TempDir folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.part").string();
  const ToolRun result = RunTool({"download", UrlOf(server, "/Kolvarin.exe"), file});
  EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
  EXPECT_EQ(result.out, "done " + file + " 10\n");
  std::ifstream written(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), body);
  EXPECT_NE(server.Received().find("GET /Kolvarin.exe HTTP/1.0\r\n"), std::string::npos);

  const ToolRun outOfRange =
      RunTool({"download", "http://127.0.0.1:65536/Kolvarin.exe", file + ".2"});
  EXPECT_TRUE(outOfRange.ExitedWith(1));
  EXPECT_EQ(outOfRange.out, "error\n");
}

// The download follows redirects by the same rules on both systems: a relative Location from the
// request's folder, and at most 5 in a row (a loop fails instead of going on for ever).
TEST(DownloadTool, FollowsRedirectsWithinTheirLimit) {
  const auto redirect = [](const std::string& location) {
    return Script{ReadUntil("\r\n\r\n"),
                  Send("HTTP/1.1 302 Found\r\nLocation: " + location +
                       "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"),
                  Close()};
  };
  TempDir folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.part").string();
  {
    ScriptedServer server(std::vector<Script>{
        redirect("real/Kolvarin.exe"),
        {ReadUntil("\r\n\r\n"),
         Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nnew"),
         Close()}});
    const ToolRun result = RunTool({"download", UrlOf(server, "/dir/Kolvarin.exe"), file});
    EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
    EXPECT_EQ(result.out, "done " + file + " 3\n");
    EXPECT_EQ(server.Received(1).rfind("GET /dir/real/Kolvarin.exe HTTP/1.", 0), 0u)
        << server.Received(1);
  }
  {
    std::vector<Script> loop(12, redirect("/loop"));
    ScriptedServer server(loop);
    const ToolRun result = RunTool({"download", UrlOf(server, "/loop"), file + ".2"});
    EXPECT_TRUE(result.ExitedWith(1)) << result.out << result.err;
    EXPECT_EQ(result.out, "error\n");
    // The first request and five redirects.
    EXPECT_EQ(server.Accepted(), 6);
  }
}

TEST(FetchTool, ExplainsItselfAndRefusesBadArguments) {
  const ToolRun help = RunTool({"fetch", "--help"});
  EXPECT_TRUE(help.ExitedWith(0));
  EXPECT_NE(help.out.find("usage: kolvarin-tool fetch [--timeout MS] [--follow-redirects] URL"), std::string::npos);
  const ToolRun renderHelp = RunTool({"render", "--help"});
  EXPECT_TRUE(renderHelp.ExitedWith(0));
  EXPECT_EQ(renderHelp.out.rfind("usage: kolvarin-tool render DIR\n", 0), 0u) << renderHelp.out;
  EXPECT_TRUE(RunTool({"--help"}).ExitedWith(0));
  // Exit code 2: the command or its arguments are wrong.
  const std::vector<std::string> refused[] = {
      {"fetch"},
      {"fetch", "--timeout", "soon", "http://x/"},
      {"bogus"},
      {"render"},
      {"render", "a", "b"},
  };
  for (const std::vector<std::string>& args : refused) {
    EXPECT_TRUE(RunTool(args).ExitedWith(2)) << args.back();
  }
}

TEST(RenderTool, RefusesAFolderItCannotMake) {
  TempDir folder;
  std::ofstream(folder.Path() / "file") << "x";
  const std::string target = (folder.Path() / "file" / "pictures").string();
  const ToolRun result = RunTool({"render", target});
  EXPECT_TRUE(result.ExitedWith(1)) << result.exitCode;
  EXPECT_EQ(result.err, "kolvarin-tool render: cannot create " + target + "\n");
}

} // namespace
