#include "tools/FetchCommand.h"

#include "app/VersionClient.h"
#include "app/UpdateTexts.h"
#include "http/TNetHTTP.h"
#include "net/TNetIOHandlerTLS.h"
#include "platform/Console.h"
#include "platform/ExceptionName.h"
#include "platform/Text.h"

#include <cstdio>
#include <optional>
#include <string>

namespace tools {

namespace {

const char* const Help =
    "usage: kolvarin-tool fetch [--timeout MS] [--follow-redirects] URL\n"
    "\n"
    "Fetches URL once with the HTTP client the updater uses for its version check, configured\n"
    "exactly as the updater configures it, and writes the body byte for byte to standard\n"
    "output (exit 0). Publishers use it to see their server through the updater's eyes.\n"
    "\n"
    "On a failure nothing goes to standard output, the exit code is 1, and standard error gets\n"
    "one line: the exception's class, \": \" and its message (CR written as \\r, LF as \\n);\n"
    "then \"ReplyCode: N\" for an HTTP answer that is not a success, or \"Code: N\" for a\n"
    "socket error.\n"
    "\n"
    "An https URL is fetched over TLS, the server's certificate checked against the system's\n"
    "trust store and the URL's host (a failure names its reason), and redirects are followed\n"
    "as the updater built for an https folder follows them: at most 5 in a row, never from\n"
    "https to http.\n"
    "\n"
    "  --timeout MS        the longest wait for the connect and for each piece of the answer,\n"
    "                      instead of the updater's (0: each wait without limit); the updater's\n"
    "                      limits on the whole answer's time, its header block and its body stay\n"
    "  --follow-redirects  follows redirects from an http URL too, as an updater built with\n"
    "                      KOLVARIN_FOLLOW_REDIRECTS does\n";

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\r')
      escaped += "\\r";
    else if (c == '\n')
      escaped += "\\n";
    else
      escaped += c;
  }
  return escaped;
}

} // namespace

int RunFetch(int argc, char** argv) {
  std::optional<int> timeout;
  bool followRedirects = false;
  std::string url;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Help, stdout);
      return 0;
    }
    if (arg == "--timeout" && i + 1 < argc) {
      const auto value = platform::TryStrToInt(argv[++i]);
      if (!value || *value < 0) {
        std::fprintf(stderr, "kolvarin-tool fetch: --timeout needs milliseconds, not '%s'\n",
                     argv[i]);
        return 2;
      }
      timeout = *value;
    } else if (arg == "--follow-redirects") {
      followRedirects = true;
    } else if (url.empty() && !arg.starts_with("--")) {
      url = arg;
    } else {
      std::fprintf(stderr, "kolvarin-tool fetch: unexpected argument '%s'\n\n%s", arg.c_str(),
                   Help);
      return 2;
    }
  }
  if (url.empty()) {
    std::fputs(Help, stderr);
    return 2;
  }

  // The TLS handler outlives the client it is lent to.
  net::TNetIOHandlerTLS tls;
  http::TNetHTTP sget;
  app::VersionClient(sget);
  sget.SetIOHandler(&tls);
  if (app::PublisherFolder(url, followRedirects).followRedirects)
    app::FollowRedirects(sget);
  if (timeout)
    sget.SetReadTimeout(*timeout);
  std::string body;
  try {
    app::UseSystemProxy(sget, url);
    body = sget.Get(url);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", platform::ExceptionClassName(error).c_str(),
                 Escaped(error.what()).c_str());
    if (const auto* protocol = dynamic_cast<const http::ENetHTTPProtocolException*>(&error))
      std::fprintf(stderr, "ReplyCode: %d\n", protocol->ReplyCode());
    else if (const auto* socket = dynamic_cast<const net::ENetSocketError*>(&error))
      std::fprintf(stderr, "Code: %d\n", socket->LastError());
    return 1;
  }
  if (!platform::WriteStandardOutput(body)) {
    std::perror("kolvarin-tool fetch: standard output");
    return 1;
  }
  return 0;
}

} // namespace tools
