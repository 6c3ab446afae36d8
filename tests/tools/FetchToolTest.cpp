// kolvarin-tool fetch, and the tool's arguments, run as a publisher runs them: the Linux program,
// and in the Windows suite the Windows one under Wine, with the same texts, lines and exit codes.
// The https, redirect and proxy cases run against real servers (nginx, squid) in the private
// network of scripts/test.
#include "ForwardProxy.h"
#include "LinuxPrograms.h"
#include "PlayerBytes.h"
#include "ScriptedServer.h"
#include "TempDir.h"
#include "ToolProcess.h"
#include "WebSite.h"
#include "platform/Internet.h"
#include "platform/Tls.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
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
         Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nnew"), Close()}});
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

// The real servers' cases need the test certificates and hosts of scripts/test.
bool HaveTestNetwork() {
  return std::getenv("KOLVARIN_TEST_TLS") && std::getenv("KOLVARIN_TEST_HOSTS");
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  return text;
}

std::string Reason(platform::tls::Failure failure) {
  return std::string("kolvarin-tool download: ") + platform::tls::FailureText(failure) + "\n";
}

// Only a server whose certificate chains to the trusted authority, names the host and is within
// its dates gets to give the file; each refusal names its reason and leaves no file.
TEST(DownloadTool, TakesAnHttpsFileOnlyFromACertificateItTrusts) {
  if (!HaveTestNetwork())
    GTEST_SKIP() << "needs the test network of scripts/test";
  using platform::tls::Failure;
  const std::string player = PlayerBytes(150 * 1024 + 7);
  struct Case {
    const char* certificate;
    std::string err; // empty: the download succeeds
  };
  const Case cases[] = {
      {"server", ""},
      {"self-signed", Reason(Failure::NotTrusted)},
      {"other-name", Reason(Failure::NameMismatch)},
      {"expired", Reason(Failure::Expired)},
  };
  TempDir folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.certificate);
    const WebSite site({.files = {{"/Kolvarin.exe", player}}, .certificate = c.certificate});
    const std::string file = (folder.Path() / (std::string(c.certificate) + ".part")).string();
    const ToolRun result = RunTool({"download", site.HttpsURL("/Kolvarin.exe"), file});
    if (c.err.empty()) {
      EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
      EXPECT_EQ(result.out, "done " + file + " " + std::to_string(player.size()) + "\n");
      EXPECT_EQ(result.err, "");
      EXPECT_TRUE(FileBytes(file) == player);
      EXPECT_EQ(site.AccessLog(), std::vector<std::string>{"https GET /Kolvarin.exe 200"});
    } else {
      EXPECT_TRUE(result.ExitedWith(1)) << result.out << result.err;
      EXPECT_EQ(result.out, "error\n");
      EXPECT_EQ(result.err, c.err);
      EXPECT_FALSE(std::filesystem::exists(file));
      // The handshake ended before any request was sent.
      EXPECT_EQ(site.AccessLog(), std::vector<std::string>{});
    }
  }
}

// Redirects between the site's two origins: up to https and within it, by every redirect status
// and a relative Location, but never down to http (also after coming up from it), and at most 5
// in a row.
TEST(DownloadTool, FollowsRedirectsUpToHttpsButNeverBackDown) {
  if (!HaveTestNetwork())
    GTEST_SKIP() << "needs the test network of scripts/test";
  const std::string player = PlayerBytes(40000);
  const WebSite site({.files = {{"/new/Kolvarin.exe", player}},
                      .redirects = {{"/up", 301, "{https}/new/Kolvarin.exe"},
                                    {"/found", 302, "{https}/new/Kolvarin.exe"},
                                    {"/see-other", 303, "{https}/new/Kolvarin.exe"},
                                    {"/temporary", 307, "{https}/new/Kolvarin.exe"},
                                    {"/permanent", 308, "{https}/new/Kolvarin.exe"},
                                    {"/new/old.exe", 302, "Kolvarin.exe"},
                                    {"/down", 302, "{http}/new/Kolvarin.exe"},
                                    {"/up-then-down", 302, "{https}/down"},
                                    {"/loop", 302, "{https}/loop"}}});
  const std::string refusedDown =
      std::string("kolvarin-tool download: ") + platform::inet::InsecureRedirectText + "\n";
  struct Case {
    std::string url;
    std::string err; // empty: the download succeeds
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {site.HttpURL("/up"), "", {"http GET /up 301", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/found"), "", {"https GET /found 302", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/see-other"),
       "",
       {"https GET /see-other 303", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/temporary"),
       "",
       {"https GET /temporary 307", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/permanent"),
       "",
       {"https GET /permanent 308", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/new/old.exe"),
       "",
       {"https GET /new/old.exe 302", "https GET /new/Kolvarin.exe 200"}},
      {site.HttpsURL("/down"), refusedDown, {"https GET /down 302"}},
      {site.HttpURL("/up-then-down"),
       refusedDown,
       {"http GET /up-then-down 302", "https GET /down 302"}},
      {site.HttpsURL("/loop"),
       std::string("kolvarin-tool download: ") + platform::inet::TooManyRedirectsText + "\n",
       // The first request and five redirects.
       std::vector<std::string>(6, "https GET /loop 302")},
  };
  TempDir folder;
  std::size_t logged = 0;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string file = (folder.Path() / ("file" + std::to_string(++index))).string();
    const ToolRun result = RunTool({"download", c.url, file});
    if (c.err.empty()) {
      EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
      EXPECT_EQ(result.out, "done " + file + " " + std::to_string(player.size()) + "\n");
      EXPECT_TRUE(FileBytes(file) == player);
    } else {
      EXPECT_TRUE(result.ExitedWith(1)) << result.out << result.err;
      EXPECT_EQ(result.out, "error\n");
      EXPECT_EQ(result.err, c.err);
      EXPECT_FALSE(std::filesystem::exists(file));
    }
    EXPECT_EQ(site.AccessLogSince(logged), c.log);
  }
}

// A publisher's key and the player signed with it, made by the stock openssl command (on the
// Linux system also for the Windows suite) in `folder`: publisher.pem, Kolvarin.exe.sig.
std::string SignedPlayer(const LinuxFolder& folder, const std::string& player) {
  std::ofstream(folder.Path() / "Kolvarin.exe", std::ios::binary) << player;
  const int made = folder.RunScript(
      "sign", "set -e\ncd " + ShellQuoted(folder.Unix()) +
                  "\nopenssl ecparam -name prime256v1 -genkey -noout -out publisher-key.pem\n"
                  "openssl ec -in publisher-key.pem -pubout -out publisher.pem\n"
                  "openssl dgst -sha256 -sign publisher-key.pem -out Kolvarin.exe.sig "
                  "Kolvarin.exe");
  EXPECT_EQ(made, 0) << FileBytes(folder.Path() / "sign.log");
  return FileBytes(folder.Path() / "Kolvarin.exe.sig");
}

// The signature lies beside the player where the redirects ended: the one at the first address
// (of other bytes here) is never asked for.
TEST(DownloadTool, FetchesTheSignatureWhereThePlayersRedirectsEnded) {
  if (!HaveTestNetwork())
    GTEST_SKIP() << "needs the test network of scripts/test";
  const LinuxFolder keys;
  const std::string player = PlayerBytes(70000);
  const std::string signature = SignedPlayer(keys, player);
  const WebSite site({.files = {{"/new/Kolvarin.exe", player},
                                {"/new/Kolvarin.exe.sig", signature},
                                {"/old/Kolvarin.exe.sig", std::string(71, '\x30')}},
                      .redirects = {{"/old/Kolvarin.exe", 302, "{https}/new/Kolvarin.exe"}}});
  TempDir folder;
  const std::string file = (folder.Path() / "Kolvarin.exe.part").string();
  const ToolRun result = RunTool({"download", "--key", (keys.Path() / "publisher.pem").string(),
                                  site.HttpURL("/old/Kolvarin.exe"), file});
  EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
  EXPECT_EQ(result.out, "done " + file + " " + std::to_string(player.size()) + "\ngood\n");
  EXPECT_TRUE(FileBytes(file) == player);
  EXPECT_EQ(site.AccessLog(), (std::vector<std::string>{"http GET /old/Kolvarin.exe 302",
                                                        "https GET /new/Kolvarin.exe 200",
                                                        "https GET /new/Kolvarin.exe.sig 200"}));
}

// The origin at 127.0.0.6 lets only the proxy in (scripts/test): a download that reaches it
// went through the proxy the system names, over http as a whole URL, over https through
// CONNECT; a host on the bypass list is asked directly.
TEST(DownloadTool, GoesThroughTheSystemsForwardProxy) {
  if (!HaveTestNetwork())
    GTEST_SKIP() << "needs the test network of scripts/test";
  const std::string player = PlayerBytes(90000);
  const WebSite origin({.files = {{"/Kolvarin.exe", player}},
                        .address = "127.0.0.6",
                        .serverName = "origin.kolvarin.example"});
  const WebSite beside({.files = {{"/Kolvarin.exe", player}}});
  const ForwardProxy proxy;
  const ProxyUser user{"yayinci", "gizli parola"};
  const ForwardProxy signedProxy(user);
  const std::string https = origin.HttpsURL("/Kolvarin.exe");
  const std::string http = origin.HttpURL("/Kolvarin.exe");
  const std::string connect =
      "CONNECT origin.kolvarin.example:" + std::to_string(origin.HttpsPort()) + " 200";
  struct Case {
    const char* what;
    std::string url;
    std::optional<ToolProxy> settings;
    bool done;
    const ForwardProxy* through; // whose log shows the request
    std::string logged;          // its line there, the user's name aside
  };
  const Case cases[] = {
      {"https, directly", https, std::nullopt, false, nullptr, ""},
      {"http, directly", http, std::nullopt, false, nullptr, ""},
      {"https", https, ToolProxy{proxy.URL()}, true, &proxy, connect + " -"},
      {"http", http, ToolProxy{proxy.URL()}, true, &proxy, "GET " + http + " 200 -"},
      {"https, signed in", https, ToolProxy{signedProxy.URL(true)}, true, &signedProxy,
       connect + " yayinci"},
      {"http, signed in", http, ToolProxy{signedProxy.URL(true)}, true, &signedProxy,
       "GET " + http + " 200 yayinci"},
      {"https, a wrong password", https, ToolProxy{signedProxy.URL({"yayinci", "yanlis"})}, false,
       &signedProxy,
       "CONNECT origin.kolvarin.example:" + std::to_string(origin.HttpsPort()) + " 407 yayinci"},
      {"http, a wrong password", http, ToolProxy{signedProxy.URL({"yayinci", "yanlis"})}, false,
       &signedProxy, "GET " + http + " 407 yayinci"},
      {"a bypassed host", beside.HttpsURL("/Kolvarin.exe"),
       ToolProxy{proxy.URL(), {"tls.kolvarin.example"}}, true, nullptr, ""},
      {"a bypassed origin", https, ToolProxy{proxy.URL(), {"origin.kolvarin.example"}}, false,
       nullptr, ""},
  };
  TempDir folder;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = proxy.AccessLog().size();
    const std::size_t seen = c.through ? c.through->AccessLog().size() : 0;
    const std::string file = (folder.Path() / ("file" + std::to_string(++index))).string();
    const std::vector<std::string> args = {"download", c.url, file};
    const ToolRun result = c.settings ? RunTool(args, *c.settings) : RunTool(args);
    if (c.done) {
      EXPECT_TRUE(result.ExitedWith(0)) << result.out << result.err;
      EXPECT_TRUE(FileBytes(file) == player);
    } else {
      EXPECT_TRUE(result.ExitedWith(1)) << result.out << result.err;
      EXPECT_EQ(result.out, "error\n");
      EXPECT_FALSE(std::filesystem::exists(file));
    }
    if (c.through) {
      EXPECT_TRUE(c.through->WaitForLine(seen, c.logged)) << Lines(c.through->AccessLog());
    }
    if (c.through != &proxy) {
      EXPECT_EQ(proxy.AccessLog().size(), before);
    }
  }
}

// The version check through the same proxy (its own client: over http the whole URL asked for,
// over https a CONNECT tunnel; the Basic challenge answered once with the credentials of the
// proxy's address).
TEST(FetchTool, GoesThroughTheSystemsForwardProxy) {
  if (!HaveTestNetwork())
    GTEST_SKIP() << "needs the test network of scripts/test";
  const WebSite origin({.files = {{"/programlar/radyo/kolvarin.txt", "1.0.0.1"}},
                        .address = "127.0.0.6",
                        .serverName = "origin.kolvarin.example"});
  const ForwardProxy proxy;
  const ProxyUser user{"yayinci", "gizli"};
  const ForwardProxy signedProxy(user);
  const std::string url = origin.HttpURL("/programlar/radyo/kolvarin.txt");
  const std::string secureURL = origin.HttpsURL("/programlar/radyo/kolvarin.txt");
  const std::string connect =
      "CONNECT origin.kolvarin.example:" + std::to_string(origin.HttpsPort());
  const std::string refused =
      "ENetHTTPProtocolException: HTTP/1.1 407 Proxy Authentication Required\nReplyCode: 407\n";
  struct Case {
    const char* what;
    std::string url;
    ToolProxy settings;
    std::string err; // empty: the body comes
    const ForwardProxy* through;
    std::string logged;
  };
  const Case cases[] = {
      {"no sign-in", url, {proxy.URL()}, "", &proxy, "GET " + url + " 200 -"},
      {"signed in", url, {signedProxy.URL(true)}, "", &signedProxy, "GET " + url + " 200 yayinci"},
      {"a wrong password",
       url,
       {signedProxy.URL({"yayinci", "yanlis"})},
       refused,
       &signedProxy,
       "GET " + url + " 407 yayinci"},
      {"no credentials", url, {signedProxy.URL()}, refused, &signedProxy, "GET " + url + " 407 -"},
      {"https, no sign-in", secureURL, {proxy.URL()}, "", &proxy, connect + " 200 -"},
      {"https, signed in",
       secureURL,
       {signedProxy.URL(true)},
       "",
       &signedProxy,
       connect + " 200 yayinci"},
      {"https, a wrong password",
       secureURL,
       {signedProxy.URL({"yayinci", "yanlis"})},
       refused,
       &signedProxy,
       connect + " 407 yayinci"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t seen = c.through->AccessLog().size();
    const ToolRun result = RunTool({"fetch", c.url}, c.settings);
    if (c.err.empty()) {
      EXPECT_TRUE(result.ExitedWith(0)) << result.err;
      EXPECT_EQ(result.out, "1.0.0.1");
    } else {
      EXPECT_TRUE(result.ExitedWith(1));
      EXPECT_EQ(result.err, c.err);
    }
    EXPECT_TRUE(c.through->WaitForLine(seen, c.logged)) << Lines(c.through->AccessLog());
  }
  // Directly, the origin refuses.
  const ToolRun direct = RunTool({"fetch", url});
  EXPECT_TRUE(direct.ExitedWith(1));
  EXPECT_EQ(direct.out, "");
}

TEST(FetchTool, ExplainsItselfAndRefusesBadArguments) {
  const ToolRun help = RunTool({"fetch", "--help"});
  EXPECT_TRUE(help.ExitedWith(0));
  EXPECT_NE(help.out.find("usage: kolvarin-tool fetch [--timeout MS] [--follow-redirects] URL"),
            std::string::npos);
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
