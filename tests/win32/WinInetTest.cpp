// The download engine on the system's WinINet, with our limits on top: framing, stalls, and
// only a 2xx answer taken for the file.
#include "ScriptedServer.h"
#include "Win32Process.h"
#include "download/THTTPFetch.h"
#include "platform/Console.h"
#include "platform/Internet.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;
using namespace std::chrono_literals;

struct Outcome {
  bool done = false;
  bool error = false;
  int size = -1;
  int progressEvents = 0;
  int lastTotal = -1;
  int lastRead = -1;
  std::string file;
};

Outcome Download(const std::string& url) {
  wintest::TempFolder folder;
  const std::string target = (folder.Path() / "download.bin").string();
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  platform::TConsoleApplication application(argc, argv);
  Outcome outcome;
  download::THTTPFetch fetch;
  fetch.BinaryData = true;
  fetch.WaitThread = true;
  fetch.URL = url;
  fetch.FileName = target;
  fetch.OnProgress = [&](download::THTTPFetchThread*, int total, int read) {
    ++outcome.progressEvents;
    outcome.lastTotal = total;
    outcome.lastRead = read;
  };
  fetch.OnDoneFile = [&](download::THTTPFetch*, const std::string&, int size) {
    outcome.done = true;
    outcome.size = size;
  };
  fetch.OnError = [&](download::THTTPFetch*) { outcome.error = true; };
  fetch.StartDownload();
  outcome.file = wintest::ReadAll(target);
  return outcome;
}

std::string UrlOf(const ScriptedServer& server, const std::string& path = "/player.exe") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TEST(WinInetDownload, FramingAndStatus) {
  const std::string body(5000, 'k');
  struct Case {
    const char* name;
    std::string answer;
    bool done;
  };
  const Case cases[] = {
      {"length and body", "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + body, true},
      {"HTTP/1.0 answer", "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + body, true},
      {"206 is a success", "HTTP/1.1 206 Partial\r\nContent-Length: 5000\r\n\r\n" + body, true},
      {"short body", "HTTP/1.1 200 OK\r\nContent-Length: 6000\r\n\r\n" + body, false},
      {"no length", "HTTP/1.1 200 OK\r\n\r\n" + body, false},
      {"not found with a length", "HTTP/1.1 404 Not Found\r\nContent-Length: 5000\r\n\r\n" + body,
       false},
      {"server error", "HTTP/1.1 500 Oops\r\nContent-Length: 5000\r\n\r\n" + body, false},
      {"more than announced", "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n" + body, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(c.answer), Close()});
    const Outcome outcome = Download(UrlOf(server));
    EXPECT_EQ(outcome.done, c.done);
    EXPECT_EQ(outcome.error, !c.done);
    if (c.done) {
      EXPECT_EQ(outcome.size, 5000);
      EXPECT_EQ(outcome.file, body);
      EXPECT_GE(outcome.progressEvents, 1);
      EXPECT_EQ(outcome.lastTotal, 5000);
      EXPECT_EQ(outcome.lastRead, 5000);
    }
  }
}

TEST(WinInetDownload, TheRequestIsAFreshGetWithTheEngineAgent) {
  ScriptedServer server(
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"), Close()});
  download::THTTPFetch settings;
  const Outcome outcome = Download(UrlOf(server, "/files/Kolvarin.exe"));
  EXPECT_TRUE(outcome.done);
  const std::string request = server.Received();
  EXPECT_EQ(request.rfind("GET /files/Kolvarin.exe HTTP/1.0\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Kolvarin Downloader\r\n"), std::string::npos) << request;
  EXPECT_NE(request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"),
            std::string::npos)
      << request;
}

TEST(WinInetDownload, ARedirectIsFollowedAndTheFinalAnswerCounts) {
  ScriptedServer server(std::vector<Script>{
      {ReadUntil("\r\n\r\n"),
       Send("HTTP/1.1 302 Found\r\nLocation: /moved.exe\r\nContent-Length: 0\r\n\r\n"), Close()},
      {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nnew"), Close()}});
  const Outcome outcome = Download(UrlOf(server));
  EXPECT_TRUE(outcome.done);
  EXPECT_EQ(outcome.file, "new");
  EXPECT_NE(server.Received(1).find("GET /moved.exe "), std::string::npos);
}

TEST(WinInetDownload, AStalledOrDrippingServerFailsTheTransfer) {
  platform::inet::SetStallLimit(800ms);
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
  struct Case {
    const char* name;
    Script script;
  };
  const Case cases[] = {
      {"silent after the headers", {ReadUntil("\r\n\r\n"), Send(head + "abc"), Hold(20000)}},
      {"silent before the headers", {ReadUntil("\r\n\r\n"), Hold(20000)}},
      {"a byte now and then", {ReadUntil("\r\n\r\n"), Send(head), Drip(std::string(400, 'd'), 50)}},
      {"endless header lines",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n"),
        Endless("X-Filler: " + std::string(100, 'a') + "\r\n")}},
      {"endless interim answers",
       {ReadUntil("\r\n\r\n"), Endless("HTTP/1.1 100 Continue\r\n\r\n")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.script);
    const Outcome outcome = Download(UrlOf(server));
    EXPECT_TRUE(outcome.error);
    EXPECT_FALSE(outcome.done);
  }
  platform::inet::SetStallLimit(60s);
}

TEST(WinInetDownload, NoServerIsAnError) {
  const ClosedPort closed;
  const std::uint16_t closedPort = closed.Port();
  const Outcome outcome = Download("http://127.0.0.1:" + std::to_string(closedPort) + "/x");
  EXPECT_TRUE(outcome.error);
  EXPECT_EQ(outcome.progressEvents, 0);
}

} // namespace
