#include "download/THTTPFetch.h"

#include "ChildProcess.h"
#include "DownloadBodies.h"
#include "ScriptedServer.h"
#include "app/DownloadClient.h"
#include "platform/Internet.h"

#include <QCoreApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using namespace testsupport;
using download::THTTPFetch;
namespace fs = std::filesystem;

std::string Answer(const std::string& body, const std::string& status = "200 OK") {
  return "HTTP/1.0 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
         body;
}

using testsupport::Body;
using testsupport::Chunked;

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// What one transfer raised.
struct Events {
  std::vector<std::pair<int, int>> progress;
  int done = 0;
  int errors = 0;
  std::string doneFile;
  int doneSize = -1;
};

void Record(THTTPFetch& fetch, Events& events) {
  fetch.OnProgress = [&events](download::THTTPFetchThread*, int total, int readed) {
    events.progress.emplace_back(total, readed);
  };
  fetch.OnDoneFile = [&events](THTTPFetch*, const std::string& file, int size) {
    ++events.done;
    events.doneFile = file;
    events.doneSize = size;
  };
  fetch.OnError = [&events](THTTPFetch*) { ++events.errors; };
}

class DownloadTest : public testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("KOLVARIN_TEST_HOSTS"))
      GTEST_SKIP() << "needs port 80 of the private network of scripts/test";
  }
  // Runs one transfer of `url` (WaitThread true) into the test folder.
  Events Download(const std::string& url, const std::string& name = "Kolvarin.exe",
                  const std::function<void(THTTPFetch&)>& adjust = {}) {
    THTTPFetch fetch;
    app::DownloadClient(fetch);
    fetch.WaitThread = true;
    fetch.URL = url;
    fetch.FileName = (folder.Path() / name).string();
    Events events;
    Record(fetch, events);
    if (adjust)
      adjust(fetch);
    fetch.StartDownload();
    EXPECT_FALSE(fetch.Running());
    return events;
  }
  fs::path File(const std::string& name = "Kolvarin.exe") const { return folder.Path() / name; }

  TempDir folder;
};

TEST_F(DownloadTest, AWholeBodyOfTheAnnouncedLengthSucceedsChunkByChunk) {
  const std::string body = Body(5000);
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer(body)), Close()}, 80);

  const Events events = Download("http://127.0.0.1/programlar/radyo/Kolvarin.exe");

  EXPECT_EQ(events.done, 1);
  EXPECT_EQ(events.errors, 0);
  EXPECT_EQ(events.doneFile, File().string());
  EXPECT_EQ(events.doneSize, 5000);
  EXPECT_EQ(FileText(File()), body);
  ASSERT_FALSE(events.progress.empty());
  int previous = 0;
  for (const auto& [total, readed] : events.progress) {
    EXPECT_EQ(total, 5000);
    EXPECT_GT(readed, previous);
    EXPECT_LE(readed - previous, 1025);
    previous = readed;
  }
  EXPECT_EQ(previous, 5000);
  const std::string request = server.Received();
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /programlar/radyo/Kolvarin.exe HTTP/1.0");
  for (const char* line : {"\r\nUser-Agent: Kolvarin Downloader\r\n", "\r\nAccept: */*\r\n",
                           "\r\nCache-Control: no-cache\r\n", "\r\nPragma: no-cache\r\n"})
    EXPECT_NE(request.find(line), std::string::npos) << line;
}

TEST_F(DownloadTest, FailuresBeforeTheBodyCreateNoFile) {
  struct Case {
    const char* what;
    std::string answer;
  };
  const Case cases[] = {
      {"no Content-Length", "HTTP/1.0 200 OK\r\n\r\nbody"},
      {"length not a number", "HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\nbody"},
      {"length above 2147483647", "HTTP/1.0 200 OK\r\nContent-Length: 2147483648\r\n\r\nbody"},
      {"an error page of the right length", Answer("<html>missing</html>", "404 Not Found")},
      {"a server error", Answer("oops", "500 Internal Server Error")},
  };
  for (const Case& c : cases) {
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(c.answer), Close()}, 80);
    const Events events = Download("http://127.0.0.1/Kolvarin.exe");
    EXPECT_EQ(events.errors, 1) << c.what;
    EXPECT_EQ(events.done, 0) << c.what;
    EXPECT_TRUE(events.progress.empty()) << c.what;
    EXPECT_FALSE(fs::exists(File())) << c.what;
  }
  // No server at all, and a name that does not resolve.
  for (const char* url : {"http://127.0.0.1/Kolvarin.exe", "http://10.0.0.256/Kolvarin.exe",
                          "http://no-such-host.invalid/Kolvarin.exe", "Kolvarin.exe"}) {
    const Events events = Download(url);
    EXPECT_EQ(events.errors, 1) << url;
    EXPECT_FALSE(fs::exists(File())) << url;
  }
}

TEST_F(DownloadTest, AFileThatCannotBeCreatedFails) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer("abc")), Close()}, 80);
  const Events events = Download("http://127.0.0.1/x", "missing-folder/Kolvarin.exe");
  EXPECT_EQ(events.errors, 1);
  EXPECT_EQ(events.done, 0);
}

TEST_F(DownloadTest, ABodyShorterOrLongerThanAnnouncedFailsAndKeepsItsBytes) {
  {
    ScriptedServer server({ReadUntil("\r\n\r\n"),
                           Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(2000)),
                           Close()},
                          80);
    const Events events = Download("http://127.0.0.1/x");
    EXPECT_EQ(events.errors, 1);
    EXPECT_EQ(FileText(File()), Body(2000));
    ASSERT_FALSE(events.progress.empty());
    EXPECT_EQ(events.progress.back(), std::make_pair(5000, 2000));
  }
  {
    ScriptedServer server({ReadUntil("\r\n\r\n"),
                           Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n" + Body(20)),
                           Close()},
                          80);
    const Events events = Download("http://127.0.0.1/x", "longer.exe");
    EXPECT_EQ(events.errors, 1);
    EXPECT_EQ(FileText(File("longer.exe")).size(), 20u);
  }
}

TEST_F(DownloadTest, AnEmptyBodyOfLengthZeroSucceedsWithoutProgress) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer("")), Close()}, 80);
  const Events events = Download("http://127.0.0.1/x");
  EXPECT_EQ(events.done, 1);
  EXPECT_EQ(events.doneSize, 0);
  EXPECT_TRUE(events.progress.empty());
  EXPECT_TRUE(fs::exists(File()));
  EXPECT_EQ(fs::file_size(File()), 0u);
}

TEST_F(DownloadTest, AFileLongerThanTheLimitFails) {
  constexpr std::int64_t Limit = 4096;
  struct Case {
    const char* what;
    std::string answer;
    bool binary;
    bool done;
    bool fileMade;
  };
  const Case cases[] = {
      {"announced at the limit", Answer(Body(Limit)), true, true, true},
      {"announced one above, refused before the file is made", Answer(Body(Limit + 1)), true, false,
       false},
      {"announced 2 GiB - 1", "HTTP/1.0 200 OK\r\nContent-Length: 2147483647\r\n\r\n" + Body(5000),
       true, false, false},
      // Without a length the reading stops at the first read past the limit, unwritten.
      {"no length, until the server closes", "HTTP/1.0 200 OK\r\n\r\n" + Body(200000), false, false,
       true},
      {"no length, chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(200000), false, false,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(File());
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(c.answer), Close()}, 80);
    const Events events = Download("http://127.0.0.1/x", "Kolvarin.exe", [&](THTTPFetch& fetch) {
      fetch.MaxFileSize = Limit;
      fetch.BinaryData = c.binary;
    });
    EXPECT_EQ(events.done, c.done ? 1 : 0);
    EXPECT_EQ(events.errors, c.done ? 0 : 1);
    ASSERT_EQ(fs::exists(File()), c.fileMade);
    if (c.done) {
      EXPECT_EQ(FileText(File()), Body(Limit));
    } else if (c.fileMade) {
      // Only whole reads that kept within the limit were written, and progress told no more.
      const std::string written = FileText(File());
      EXPECT_LE(written.size(), static_cast<std::size_t>(Limit));
      EXPECT_GT(written.size(), 0u);
      EXPECT_TRUE(written == Body(Limit).substr(0, written.size()));
      ASSERT_FALSE(events.progress.empty());
      EXPECT_EQ(events.progress.back().second, static_cast<int>(written.size()));
    }
  }
}

// The updater's own download (and kolvarin-tool's) takes a player of up to 256 MiB, or what the
// build set instead, also after the component served a smaller limit; more is refused as soon as
// the server announces it.
TEST_F(DownloadTest, TheUpdatersDownloadRefusesAPlayerAnnouncedOverTheBuildsLimit) {
#ifdef KOLVARIN_MAX_PLAYER_BYTES
  constexpr std::int64_t Expected = KOLVARIN_MAX_PLAYER_BYTES;
#else
  constexpr std::int64_t Expected = std::int64_t{256} * 1024 * 1024;
#endif
  THTTPFetch fetch;
  EXPECT_EQ(fetch.MaxFileSize, Expected);
  fetch.MaxFileSize = 4096;
  app::DownloadClient(fetch);
  EXPECT_EQ(fetch.MaxFileSize, Expected);

  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(Expected + 1) +
                              "\r\n\r\n" + Body(5000)),
                         Close()},
                        80);
  const Events events = Download("http://127.0.0.1/programlar/radyo/Kolvarin.exe");
  EXPECT_EQ(events.errors, 1);
  EXPECT_TRUE(events.progress.empty());
  EXPECT_FALSE(fs::exists(File()));
}

TEST_F(DownloadTest, AProgressHandlerThatFailsEndsTheTransferAsFailed) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer(Body(5000))), Close()}, 80);
  int calls = 0;
  const Events events = Download("http://127.0.0.1/x", "Kolvarin.exe", [&](THTTPFetch& fetch) {
    fetch.OnProgress = [&](download::THTTPFetchThread*, int, int) {
      ++calls;
      throw std::runtime_error("handler failed");
    };
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(events.errors, 1);
  EXPECT_EQ(FileText(File()), Body(5000).substr(0, 1025));
}

TEST_F(DownloadTest, TheProxyOfTheEnvironmentIsUsed) {
  ScriptedServer proxy({ReadUntil("\r\n\r\n"), Send(Answer("via proxy")), Close()});
  setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port())).c_str(), 1);
  unsetenv("no_proxy");
  unsetenv("NO_PROXY");
  const Events events = Download("http://publisher.invalid/programlar/radyo/Kolvarin.exe");
  unsetenv("http_proxy");
  EXPECT_EQ(events.done, 1);
  EXPECT_EQ(FileText(File()), "via proxy");
  EXPECT_EQ(proxy.Received().rfind(
                "GET http://publisher.invalid/programlar/radyo/Kolvarin.exe HTTP/1.0", 0),
            0u)
      << proxy.Received();
}

TEST_F(DownloadTest, AStalledServerFailsAfterTheStallLimit) {
  platform::inet::SetStallLimit(std::chrono::milliseconds(300));
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nab"), Pause(10000)},
                        80);
  const auto start = std::chrono::steady_clock::now();
  const Events events = Download("http://127.0.0.1/x");
  platform::inet::SetStallLimit(std::chrono::seconds(60));
  EXPECT_EQ(events.errors, 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(FileText(File()), "ab");
}

TEST_F(DownloadTest, OneTransferAtATimeAndEventsOnlyFromTheEventLoop) {
  ScriptedServer server({ReadUntil("\r\n\r\n"), Pause(200), Send(Answer(Body(3000))), Close()}, 80);
  THTTPFetch fetch;
  app::DownloadClient(fetch);
  fetch.URL = "http://127.0.0.1/x";
  fetch.FileName = File().string();
  Events events;
  Record(fetch, events);
  int restarts = 0;
  fetch.OnDoneFile = [&](THTTPFetch* sender, const std::string&, int) {
    ++events.done;
    sender->StartDownload(); // ignored: this transfer is still the running one
    ++restarts;
  };

  fetch.StartDownload();
  EXPECT_TRUE(fetch.Running());
  EXPECT_TRUE(events.progress.empty());
  fetch.URL = "http://127.0.0.1/other";
  fetch.StartDownload(); // ignored
  EXPECT_TRUE(QTest::qWaitFor([&] { return !fetch.Running(); }, 10000));

  EXPECT_EQ(events.done, 1);
  EXPECT_EQ(restarts, 1);
  EXPECT_FALSE(fetch.Running());
  EXPECT_EQ(server.Accepted(), 1);
}

TEST_F(DownloadTest, ACompletionHandlerThatThrowsLeavesTheComponentReadyForTheNextTransfer) {
  struct Case {
    const char* what;
    std::string answer;
  };
  const Case cases[] = {
      {"OnDoneFile", Answer(Body(3000))},
      {"OnError", Answer("gone", "404 Not Found")},
  };
  for (const Case& c : cases) {
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(c.answer), Close()}, 80);
    Events events;
    {
      THTTPFetch fetch;
      app::DownloadClient(fetch);
      fetch.URL = "http://127.0.0.1/x";
      fetch.FileName = File().string();
      fetch.ExclusiveFile = false;
      Record(fetch, events);
      int thrown = 0;
      const auto throwOnce = [&] {
        if (thrown++ == 0)
          throw std::runtime_error("handler failed");
      };
      fetch.OnDoneFile = [&](THTTPFetch*, const std::string&, int) {
        ++events.done;
        throwOnce();
      };
      fetch.OnError = [&](THTTPFetch*) {
        ++events.errors;
        throwOnce();
      };
      for (int transfer = 1; transfer <= 2; ++transfer) {
        fetch.StartDownload();
        EXPECT_TRUE(fetch.Running()) << c.what << " transfer " << transfer;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fetch.Running(); }, 10000))
            << c.what << " transfer " << transfer;
      }
    }
    EXPECT_EQ(events.done + events.errors, 2) << c.what;
    EXPECT_EQ(server.Accepted(), 2) << c.what;
  }
}

TEST_F(DownloadTest, DestroyingTheComponentMidTransferRaisesNoFurtherEvent) {
  ScriptedServer server({ReadUntil("\r\n\r\n"),
                         Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + Body(3000)),
                         Pause(1000), Send(Body(5000)), Close()},
                        80);
  Events events;
  {
    auto fetch = std::make_unique<THTTPFetch>();
    app::DownloadClient(*fetch);
    fetch->URL = "http://127.0.0.1/x";
    fetch->FileName = File().string();
    Record(*fetch, events);
    fetch->StartDownload();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !events.progress.empty(); }, 10000));
  }
  const std::size_t progressBefore = events.progress.size();
  QTest::qWait(1500);
  EXPECT_EQ(events.progress.size(), progressBefore);
  EXPECT_EQ(events.done + events.errors, 0);
  EXPECT_TRUE(server.WaitFinished(0));
}

TEST_F(DownloadTest, EndingTheProgramMidTransferIsClean) {
  // The worker is inside a read that waits for more bytes when the program ends, and again
  // when it is waiting for its hand-off.
  for (int pauseMs : {5000, 0}) {
    Script script{ReadUntil("\r\n\r\n"),
                  Send("HTTP/1.0 200 OK\r\nContent-Length: 900000\r\n\r\n" + Body(3000))};
    script.push_back(Pause(pauseMs));
    script.push_back(Send(Body(200000)));
    script.push_back(Pause(5000));
    ScriptedServer server(script, 80);
    const auto start = std::chrono::steady_clock::now();
    const RunResult result =
        RunProgram(SupportProgram("kv-exit-during-download"),
                   {"http://127.0.0.1/x", File().string()}, std::chrono::seconds(20));
    EXPECT_TRUE(result.ExitedWith(0)) << result.status << result.err;
    EXPECT_EQ(result.out, "progressed\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(SplitURL, CutsAtTheFirstSlashAfterAnyCaseOfEitherScheme) {
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {
      {"http://host/programlar/radyo/Kolvarin.exe", "host", "/programlar/radyo/Kolvarin.exe",
       false},
      {"HTTP://Host/a?b=c/d", "Host", "/a?b=c/d", false},
      {"host/file", "host", "/file", false},
      {"http://host", "", "host", false},
      {"http://host:8080/file", "host:8080", "/file", false},
      {"https://host/file", "host", "/file", true},
      {"HTTPS://host:8443/a/b", "host:8443", "/a/b", true},
      {"ftp://host/file", "ftp:", "//host/file", false},
  };
  for (const auto& [url, server, path, secure] : cases) {
    const download::SplitResult split = download::SplitURL(url);
    EXPECT_EQ(split.server, server) << url;
    EXPECT_EQ(split.objectPath, path) << url;
    EXPECT_EQ(split.secure, secure) << url;
  }
}

TEST(DownloadTool, PrintsProgressAndTheOutcome) {
  if (!std::getenv("KOLVARIN_TEST_HOSTS"))
    GTEST_SKIP() << "needs port 80 of the private network of scripts/test";
  TempDir folder;
  const std::string file = (folder.Path() / "k.exe").string();
  {
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer(Body(2500))), Close()}, 80);
    const RunResult result =
        RunProgram(KOLVARIN_TOOL_BINARY, {"download", "--progress", "http://127.0.0.1/k", file});
    EXPECT_TRUE(result.ExitedWith(0)) << result.err;
    EXPECT_EQ(result.out, "progress 2500 1025\nprogress 2500 2050\nprogress 2500 2500\ndone " +
                              file + " 2500\n");
  }
  {
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer("x", "404 Not Found")), Close()}, 80);
    const RunResult result =
        RunProgram(KOLVARIN_TOOL_BINARY, {"download", "http://127.0.0.1/k", file});
    EXPECT_TRUE(result.ExitedWith(1));
    EXPECT_EQ(result.out, "error\n");
  }
  {
    // As in the updater, the file is created fresh: one that is there is not written into.
    const fs::path there = folder.Path() / "there.exe";
    std::ofstream(there) << "old";
    ScriptedServer server({ReadUntil("\r\n\r\n"), Send(Answer(Body(2500))), Close()}, 80);
    const RunResult result =
        RunProgram(KOLVARIN_TOOL_BINARY, {"download", "http://127.0.0.1/k", there.string()});
    EXPECT_TRUE(result.ExitedWith(1));
    EXPECT_EQ(result.out, "error\n");
    EXPECT_EQ(FileText(there), "old");
  }
}

} // namespace
