#include "tools/DownloadCommand.h"

#include "app/DownloadClient.h"
#include "download/THTTPFetch.h"
#include "platform/Console.h"
#include "tools/VerifyCommand.h"

#include <cstdio>
#include <optional>
#include <string>

namespace tools {

namespace {

const char* const Help =
    "usage: kolvarin-tool download [--progress] [--key KEY] URL FILE\n"
    "\n"
    "Downloads URL into FILE with the updater's download engine, configured as the updater\n"
    "configures it (agent \"Kolvarin Downloader\", accept \"*/*\", a body without a length\n"
    "refused, one announced longer than the updater's limit for a player refused before FILE\n"
    "is made, no cache, FILE created fresh: one that exists is not written), and waits for the\n"
    "end. With --progress it prints \"progress TOTAL READ\" after each received chunk. At the\n"
    "end it prints \"done FILE SIZE\" and exits 0, or prints \"error\" and exits 1, with the\n"
    "reason on standard error where the download engine names one (a certificate refused, a\n"
    "redirect refused). URL may be http:// or https://; redirects are followed (at most 5,\n"
    "never from https to http).\n"
    "\n"
    "With --key KEY (the publisher's public key, PEM) it then checks FILE as an updater built\n"
    "with that key does: it downloads the signature beside the file where the redirects ended\n"
    "(that address with \".sig\" added; at most 4096 bytes, into FILE.sig, removed afterwards)\n"
    "and prints \"good\" and exits 0, or prints \"bad: REASON\", removes FILE and exits 1.\n";

} // namespace

int RunDownload(int argc, char** argv) {
  bool progress = false;
  std::string url;
  std::string file;
  std::string keyPath;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(Help, stdout);
      return 0;
    }
    if (arg == "--progress")
      progress = true;
    else if (arg == "--key" && i + 1 < argc)
      keyPath = argv[++i];
    else if (url.empty())
      url = arg;
    else if (file.empty())
      file = arg;
    else {
      std::fprintf(stderr, "kolvarin-tool download: unexpected argument '%s'\n\n%s", arg.c_str(),
                   Help);
      return 2;
    }
  }
  if (url.empty() || file.empty()) {
    std::fputs(Help, stderr);
    return 2;
  }
  std::optional<std::string> key;
  if (!keyPath.empty()) {
    key = ReadKeyFile(keyPath, "download");
    if (!key)
      return 2;
  }

  int argcLoop = 1;
  char name[] = "kolvarin-tool";
  char* argvLoop[] = {name, nullptr};
  int exitCode = 1;
  {
    platform::TConsoleApplication application(argcLoop, argvLoop);
    download::THTTPFetch fetch;
    app::DownloadClient(fetch);
    // The tool has no event loop of its own: it waits for the transfer's end.
    fetch.WaitThread = true;
    fetch.URL = url;
    fetch.FileName = file;
    if (progress) {
      fetch.OnProgress = [](download::THTTPFetchThread*, int total, int readed) {
        std::printf("progress %d %d\n", total, readed);
      };
    }
    fetch.OnDoneFile = [&](download::THTTPFetch*, const std::string& fileName, int size) {
      std::printf("done %s %d\n", fileName.c_str(), size);
      exitCode = 0;
    };
    fetch.OnError = [](download::THTTPFetch* failed) {
      std::printf("error\n");
      if (!failed->FailureReason().empty())
        std::fprintf(stderr, "kolvarin-tool download: %s\n", failed->FailureReason().c_str());
    };
    fetch.StartDownload();
    if (exitCode == 0 && key) {
      std::fflush(stdout);
      exitCode = CheckDownloadedFile(*key, fetch.FinalURL().empty() ? url : fetch.FinalURL(), file);
    }
  }
  std::fflush(stdout);
  return exitCode;
}

} // namespace tools
