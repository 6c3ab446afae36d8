// The download engine on the system's WinINet, with our limits on top: framing, stalls, sizes,
// header blocks, redirects, and only a 2xx answer taken for the file.
#include "DownloadBodies.h"
#include "ScriptedServer.h"
#include "Win32Process.h"
#include "download/THTTPFetch.h"
#include "platform/Console.h"
#include "platform/Internet.h"
#include "platform/win32/InternetSendThreads.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

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
  bool fileMade = false;
  std::string file;
  std::string reason;
};

Outcome Download(const std::string& url,
                 const std::function<void(download::THTTPFetch&)>& adjust = {}) {
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
  if (adjust)
    adjust(fetch);
  fetch.StartDownload();
  outcome.fileMade = std::filesystem::exists(target);
  outcome.file = wintest::ReadAll(target);
  outcome.reason = fetch.FailureReason();
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
      {"one header line without end",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nX-Long: "),
        Endless(std::string(4096, 'l'))}},
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

namespace {

using testsupport::Body;
using testsupport::Chunked;

// The same size rule as on Linux: an announced file over the limit never makes a file, a body
// that grows past it without announcing stops before the read that passes it is written.
TEST(WinInetDownload, AFileLongerThanTheLimitFails) {
  constexpr std::int64_t Limit = 4096;
  struct Case {
    const char* name;
    std::string answer;
    bool binary;
    bool done;
    bool fileMade;
  };
  const Case cases[] = {
      {"announced at the limit", "HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n\r\n" + Body(Limit),
       true, true, true},
      {"announced one above", "HTTP/1.1 200 OK\r\nContent-Length: 4097\r\n\r\n" + Body(Limit + 1),
       true, false, false},
      {"announced 2 GiB - 1", "HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n\r\n" + Body(5000),
       true, false, false},
      {"no length, until the server closes", "HTTP/1.0 200 OK\r\n\r\n" + Body(200000), false, false,
       true},
      {"no length, chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(200000), false, false,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(c.answer), Close()});
    const Outcome outcome = Download(UrlOf(server), [&](download::THTTPFetch& fetch) {
      fetch.MaxFileSize = Limit;
      fetch.BinaryData = c.binary;
    });
    EXPECT_EQ(outcome.done, c.done);
    EXPECT_EQ(outcome.error, !c.done);
    ASSERT_EQ(outcome.fileMade, c.fileMade);
    if (c.done) {
      EXPECT_TRUE(outcome.file == Body(Limit));
    } else if (c.fileMade) {
      EXPECT_LE(outcome.file.size(), static_cast<std::size_t>(Limit));
      EXPECT_GT(outcome.file.size(), 0u);
      EXPECT_TRUE(outcome.file == Body(Limit).substr(0, outcome.file.size()));
      EXPECT_EQ(outcome.lastRead, static_cast<int>(outcome.file.size()));
    }
  }
}

// The component's own limit is the build's (256 MiB unless it set one): a server announcing a
// byte more is refused before the file is made.
TEST(WinInetDownload, TheDefaultLimitIsTheBuildsPlayerLimit) {
#ifdef KOLVARIN_MAX_PLAYER_BYTES
  constexpr std::int64_t Expected = KOLVARIN_MAX_PLAYER_BYTES;
#else
  constexpr std::int64_t Expected = std::int64_t{256} * 1024 * 1024;
#endif
  EXPECT_EQ(download::THTTPFetch().MaxFileSize, Expected);
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(Expected + 1) +
                              "\r\n\r\n" + Body(5000)),
                         Close()});
  const Outcome outcome = Download(UrlOf(server));
  EXPECT_TRUE(outcome.error);
  EXPECT_EQ(outcome.progressEvents, 0);
  EXPECT_FALSE(outcome.fileMade);
}

// Waits up to `limit` for the internet layer's send threads to have ended.
bool SendThreadsEnd(std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (platform::inet::SendThreadsRunning() != 0) {
    if (std::chrono::steady_clock::now() > until)
      return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// A request whose answer's head does not come within the stall limit is closed, and its send
// thread is waited for: it has ended when the download does. WinINet under Wine lets go of a
// send only when the receive time-out ends it, not when its request is closed: a head that keeps
// coming holds its thread until the server goes (its handles are left to it, never closed under
// it).
TEST(WinInetDownload, AStalledSendEndsWithTheDownload) {
  ASSERT_TRUE(SendThreadsEnd(10s)) << "a send thread of an earlier test still runs";
  platform::inet::SetStallLimit(800ms);
  struct Case {
    const char* name;
    Script script;
    bool endsWithTheDownload;
  };
  const Case cases[] = {
      {"accepts and never answers", {ReadUntil("\r\n\r\n"), Hold(20000)}, true},
      // The thread's receive time-out restarts at the byte: it would outlive the stall limit.
      {"a byte of the status line, then silence",
       {ReadUntil("\r\n\r\n"), Pause(400), Send("H"), Hold(20000)},
       true},
      {"answers the head, then stalls the body",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nabc"),
        Hold(20000)},
       true},
      {"endless header lines",
       {ReadUntil("\r\n\r\n"), Send("HTTP/1.1 200 OK\r\n"),
        Endless("X-Filler: " + std::string(100, 'a') + "\r\n")},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      ScriptedServer server(c.script);
      const Outcome outcome = Download(UrlOf(server));
      EXPECT_TRUE(outcome.error);
      EXPECT_FALSE(outcome.done);
      if (c.endsWithTheDownload) {
        EXPECT_EQ(platform::inet::SendThreadsRunning(), 0);
      }
    }
    EXPECT_TRUE(SendThreadsEnd(10s)) << "the send thread outlived its server";
  }
  platform::inet::SetStallLimit(60s);
}

std::string Redirect(int n) {
  return "HTTP/1.1 302 Found\r\nLocation: /hop" + std::to_string(n) +
         "\r\nContent-Length: 0\r\n\r\n";
}

// The header cap and the redirect limit under WinINet: the cap counts the header blocks of all
// the answers a request followed; WinINet reads a head whole before the cap is checked (a head
// without end is ended by the stall limit, AStalledOrDrippingServerFailsTheTransfer) and keeps
// interim answers to itself; a redirect loop ends at the sixth redirect. WinINet under Wine keeps
// the first 4 KiB of a longer header line and reads past the rest, so such an answer may
// succeed; either way nothing past the cap is kept.
TEST(WinInetDownload, HeaderBlocksAndRedirectsHaveTheirLimits) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  // 70 KiB of header lines: four such answers pass 256 KiB, three do not.
  std::string filler;
  for (int i = 0; i < 70; ++i)
    filler += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'f') + "\r\n";
  auto redirectWithFiller = [&](int n) {
    return "HTTP/1.1 302 Found\r\nLocation: /hop" + std::to_string(n) + "\r\n" + filler +
           "Content-Length: 0\r\n\r\n";
  };
  auto answers = [](const std::vector<std::string>& sent) {
    std::vector<Script> scripts;
    for (const std::string& answer : sent)
      scripts.push_back({ReadUntil("\r\n\r\n"), Send(answer), Close()});
    return scripts;
  };
  std::string storm;
  for (int i = 0; i < 1000; ++i)
    storm += "HTTP/1.1 100 Continue\r\n\r\n";
  enum class Ends { Done, Failed, EitherWay };
  struct Case {
    const char* name;
    std::vector<Script> scripts;
    Ends ends;
    std::string reason;
  };
  const Case cases[] = {
      {"5 redirects, then the file",
       answers({Redirect(1), Redirect(2), Redirect(3), Redirect(4), Redirect(5), ok}), Ends::Done,
       ""},
      {"a redirect loop", answers({Redirect(1)}), Ends::Failed,
       platform::inet::TooManyRedirectsText},
      {"3 answers of 70 KiB of headers, then the file",
       answers({redirectWithFiller(1), redirectWithFiller(2), ok}), Ends::Done, ""},
      {"4 answers of 70 KiB of headers",
       answers({redirectWithFiller(1), redirectWithFiller(2), redirectWithFiller(3),
                redirectWithFiller(4), ok}),
       Ends::Failed, ""},
      {"one answer of 280 KiB of header lines",
       answers({"HTTP/1.1 200 OK\r\n" + filler + filler + filler + filler +
                "Content-Length: 2\r\n\r\nok"}),
       Ends::Failed, ""},
      {"a 300 KiB header line",
       answers({"HTTP/1.1 200 OK\r\nX-Long: " + std::string(300 * 1024, 'l') +
                "\r\nContent-Length: 2\r\n\r\nok"}),
       Ends::EitherWay, ""},
      {"1000 interim answers, then the file", answers({storm + ok}), Ends::Done, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.scripts);
    const Outcome outcome = Download(UrlOf(server));
    EXPECT_NE(outcome.done, outcome.error);
    if (c.ends != Ends::EitherWay) {
      EXPECT_EQ(outcome.done, c.ends == Ends::Done);
    }
    EXPECT_EQ(outcome.reason, c.reason);
    if (outcome.done) {
      EXPECT_EQ(outcome.file, "ok");
    }
  }
}

} // namespace
