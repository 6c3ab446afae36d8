// kolvarin-tool.exe's own cases: the resolver's answer, the download command against hostile,
// resetting, silent and dripping servers, a folder named beyond ASCII and the program's
// resources. The cases both builds share are in tests/tools/FetchToolTest.cpp.
#include "ProxySettings.h"
#include "ScriptedServer.h"
#include "Win32Process.h"

#include <cstdint>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace testsupport;
using namespace wintest;

RunResult Tool(const std::vector<std::string>& args) {
  return Run(WinPath(KOLVARIN_TOOL_BINARY), args);
}

std::string UrlOf(const ScriptedServer& server, const std::string& path = "/v.txt") {
  return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

TEST(WinFetchTool, AnUnknownHostIsHostNotFoundWhereTheResolverSaysSo) {
  const RunResult result = Tool({"fetch", "http://10.0.0.256/"});
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_TRUE(result.err ==
                  "ENetSocketError: Socket Error # 11001\\r\\nHost not found.\nCode: 11001\n" ||
              result.err.find("Code: 11002\n") != std::string::npos)
      << result.err;
}

// The version check takes the system's proxy as the download does: both ask it for the whole
// URL; a host on the bypass list is asked directly.
TEST(WinTool, TheCheckAndTheDownloadGoThroughTheSystemsProxy) {
  const std::string body = "1.0.0.1";
  const std::string ok = "HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\r\n" + body;
  ScriptedServer proxy(
      {{ReadUntil("\r\n\r\n"), Send(ok), Close()}, {ReadUntil("\r\n\r\n"), Send(ok), Close()}});
  ScriptedServer origin({ReadUntil("\r\n\r\n"), Send(ok), Close()});
  const std::wstring server = L"127.0.0.1:" + std::to_wstring(proxy.Port());
  ProxySettings settings(server, L"localhost;127.0.0.1");

  const RunResult fetch = Tool({"fetch", "http://radio.example/programlar/radyo/kolvarin.txt"});
  EXPECT_EQ(fetch.exitCode, 0u) << fetch.err;
  EXPECT_EQ(fetch.out, body);
  EXPECT_EQ(proxy.Received(0).rfind(
                "GET http://radio.example/programlar/radyo/kolvarin.txt HTTP/1.1\r\n", 0),
            0u)
      << proxy.Received(0);

  TempFolder folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.part").string();
  const RunResult download = Tool({"download", "http://radio.example/Kolvarin.exe", file});
  EXPECT_EQ(download.out, "done " + file + " 7\n") << download.err;
  // WinINet writes the port into the URL it asks the proxy for.
  EXPECT_EQ(proxy.Received(1).rfind("GET http://radio.example:80/Kolvarin.exe HTTP/1.0\r\n", 0), 0u)
      << proxy.Received(1);

  const RunResult direct = Tool({"fetch", UrlOf(origin)});
  EXPECT_EQ(direct.exitCode, 0u) << direct.err;
  EXPECT_EQ(direct.out, body);
  EXPECT_EQ(proxy.Accepted(), 2);
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

// The reset rows of the hostile-server table: a reset before the head is whole fails both
// commands; within the body it fails the download, while the version check may take the body
// as far as it came (as it takes a body cut short by a close) or fail.
TEST(WinTool, AResetInTheAnswerFailsTheDownloadAndGivesTheCheckNoMoreThanArrived) {
  const std::string body(2000, 'r');
  const std::string valid =
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  const std::size_t headEnd = valid.find("\r\n\r\n") + 4;
  TempFolder folder;
  for (std::size_t k :
       {std::size_t{0}, std::size_t{9}, headEnd - 2, headEnd, headEnd + 3, valid.size() - 1}) {
    SCOPED_TRACE("reset after byte " + std::to_string(k));
    const Script script{ReadUntil("\r\n\r\n"), Send(valid.substr(0, k)), Reset()};
    ScriptedServer forFetch(script);
    const RunResult fetch = Tool({"fetch", UrlOf(forFetch)});
    if (k >= headEnd && fetch.exitCode == 0) {
      EXPECT_EQ(fetch.out, valid.substr(headEnd, k - headEnd));
      EXPECT_EQ(fetch.err, "");
    } else {
      EXPECT_EQ(fetch.exitCode, 1u);
      EXPECT_EQ(fetch.out, "");
      ASSERT_FALSE(fetch.err.empty());
      EXPECT_EQ(fetch.err.rfind("ENet", 0), 0u) << fetch.err;
      EXPECT_EQ(fetch.err.back(), '\n') << fetch.err;
    }

    ScriptedServer forDownload(script);
    const std::string file = (folder.Path() / ("reset" + std::to_string(k))).string();
    const RunResult download = Tool({"download", UrlOf(forDownload, "/Kolvarin.exe"), file});
    EXPECT_EQ(download.exitCode, 1u);
    EXPECT_EQ(download.out, "error\n");
  }
}

// The silent and dripping rows, at the updater's own limits (they run side by side: each takes
// about a minute). The version check gives up on a silent server after its wait for a piece
// and on a dripping one at its limit for the whole answer; the download stalls on both, getting
// less than 1 KiB within a minute.
TEST(WinTool, SilentAndDrippingServersAreGivenUpAtTheUpdatersLimits) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n1.0.0.1";
  ScriptedServer silentFetch({Hold(120000)});
  ScriptedServer drippingFetch({ReadUntil("\r\n\r\n"), Drip(answer, 2000)});
  ScriptedServer silentDownload({Hold(120000)});
  ScriptedServer drippingDownload({ReadUntil("\r\n\r\n"), Drip(answer, 2000)});
  TempFolder folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.new").string();
  auto run = [](std::vector<std::string> args) {
    return std::async(std::launch::async, [args] {
      const auto start = std::chrono::steady_clock::now();
      RunResult result =
          wintest::Run(WinPath(KOLVARIN_TOOL_BINARY), args, std::chrono::seconds(150));
      return std::pair(result, std::chrono::steady_clock::now() - start);
    });
  };
  auto fetchSilent = run({"fetch", UrlOf(silentFetch)});
  auto fetchDrip = run({"fetch", UrlOf(drippingFetch)});
  auto downloadSilent = run({"download", UrlOf(silentDownload, "/Kolvarin.exe"), file + "1"});
  auto downloadDrip = run({"download", UrlOf(drippingDownload, "/Kolvarin.exe"), file + "2"});

  using std::chrono::seconds;
  const auto [silent, silentTime] = fetchSilent.get();
  EXPECT_EQ(silent.exitCode, 1u);
  EXPECT_EQ(silent.err, "ENetReadTimeout: Read Timeout\n");
  EXPECT_GE(silentTime, seconds(29));
  const auto [drip, dripTime] = fetchDrip.get();
  EXPECT_EQ(drip.exitCode, 1u);
  EXPECT_EQ(drip.out, "");
  EXPECT_EQ(drip.err,
            "ENetException: The server did not finish its answer within the time limit\n");
  EXPECT_GE(dripTime, seconds(59));
  for (auto* download : {&downloadSilent, &downloadDrip}) {
    const auto [result, time] = download->get();
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.out, "error\n");
    EXPECT_GE(time, seconds(59));
  }
}

// A folder named in Turkish: the ANSI code page that the C library gives the arguments in cannot
// be trusted with its letters.
TEST(WinTool, RenderMakesAFolderNamedWithLettersBeyondASCII) {
  TempFolder folder;
  const std::filesystem::path made = folder.Path() / L"g\u00F6r\u00FCnt\u00FC \u011F\u015F\u0131";
  const Started tool(WinPath(KOLVARIN_TOOL_BINARY), {L"render", made.wstring()});
  ASSERT_TRUE(tool.Ok());
  ASSERT_TRUE(tool.WaitEnded(std::chrono::seconds(120)));
  EXPECT_TRUE(std::filesystem::exists(made / L"index.html"));
  EXPECT_TRUE(std::filesystem::exists(made / L"window-current.png"));
}

// The version resource as the shell reads it.
std::wstring VersionText(const std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0)
    return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(WinToolResources, TheVersionInformationNamesTheProductAndTheProjectsVersion) {
  const std::wstring tool = WinPath(KOLVARIN_TOOL_BINARY);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(tool.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(tool.c_str(), 0, size, info.data()));
  const std::string version = KOLVARIN_VERSION;
  EXPECT_EQ(VersionText(info, L"ProductName"), L"Kolvarin Updater");
  EXPECT_EQ(VersionText(info, L"FileVersion"), std::wstring(version.begin(), version.end()));
  EXPECT_EQ(VersionText(info, L"ProductVersion"), std::wstring(version.begin(), version.end()));
  EXPECT_EQ(VersionText(info, L"CompanyName"), L"Kolvarin");
  EXPECT_EQ(VersionText(info, L"OriginalFilename"), L"kolvarin-tool.exe");

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  int major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &patch), 3);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(major << 16 | minor));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(patch << 16));
}

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(WinToolResources, TheIconHoldsTheRadioAt16_32And48Pixels) {
  HMODULE exe = LoadLibraryExW(WinPath(KOLVARIN_TOOL_BINARY).c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  auto resource = [&](LPCWSTR type, WORD id) -> const BYTE* {
    HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(id), type);
    return found ? static_cast<const BYTE*>(LockResource(LoadResource(exe, found))) : nullptr;
  };
  const BYTE* group = resource(MAKEINTRESOURCEW(14), 1); // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  WORD count = 0;
  std::memcpy(&count, group + 4, sizeof count);
  ASSERT_EQ(count, 3);
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    IconGroupEntry entry;
    std::memcpy(&entry, group + 6 + i * sizeof entry, sizeof entry);
    sizes.push_back(entry.width);
    EXPECT_EQ(entry.bitCount, 32);
    const BYTE* image = resource(MAKEINTRESOURCEW(3), entry.id); // RT_ICON
    ASSERT_NE(image, nullptr);
    BITMAPINFOHEADER header;
    std::memcpy(&header, image, sizeof header);
    EXPECT_EQ(header.biWidth, entry.width);
    EXPECT_EQ(header.biHeight, 2 * entry.width);
    if (entry.width == 48) {
      // Rows run bottom-up, BGRA: the corner is transparent, the arrow's middle (186, 210 of
      // 256) is green and opaque, the speaker's centre (78, 162) cream.
      auto pixel = [&](int x, int y) {
        std::uint32_t bgra = 0;
        std::memcpy(&bgra, image + sizeof header + 4 * ((47 - y) * 48 + x), 4);
        return bgra;
      };
      EXPECT_EQ(pixel(0, 0) >> 24, 0u);
      const std::uint32_t arrow = pixel(186 * 48 / 256, 210 * 48 / 256);
      EXPECT_EQ(arrow >> 24, 0xFFu);
      EXPECT_GT((arrow >> 8) & 0xFF, (arrow >> 16) & 0xFF) << std::hex << arrow;
      EXPECT_GT((arrow >> 8) & 0xFF, arrow & 0xFF) << std::hex << arrow;
      EXPECT_EQ(pixel(78 * 48 / 256, 162 * 48 / 256), 0xFFF5E6C8u);
    }
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
  EXPECT_NE(LoadImageW(exe, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0), nullptr);
  FreeLibrary(exe);
}

} // namespace
