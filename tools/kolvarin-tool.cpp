// The updater's command-line companion for publishers and for black-box tests.
#include "platform/LibrarySearch.h"
#include "tools/CommandLine.h"
#include "tools/DownloadCommand.h"
#include "tools/FetchCommand.h"
#include "tools/RenderCommand.h"
#include "tools/VerifyCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const Usage =
    "usage: kolvarin-tool COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  fetch [--timeout MS] URL          fetch URL with the updater's version-check client\n"
    "  download [--progress] [--key KEY] URL FILE\n"
    "                                    download URL into FILE with the updater's download "
    "engine\n"
    "                                    (and check its signature URL.sig with KEY)\n"
    "  verify --key KEY FILE SIG         check FILE against its signature SIG as the updater "
    "does\n"
    "  render DIR                        draw the window and each of its controls in every state\n"
    "                                    into DIR as PNG files\n"
    "\n"
    "kolvarin-tool COMMAND --help explains a command.\n";

} // namespace

int main(int argc, char** systemArgv) {
  // Before anything can load a library: none may come from the program's folder.
  platform::RestrictLibrarySearch();
  std::vector<std::string> arguments = tools::CommandLineArguments(argc, systemArgv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments)
    pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  argc = static_cast<int>(arguments.size());
  char** argv = pointers.data();
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(Usage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  if (command == "fetch")
    return tools::RunFetch(argc - 2, argv + 2);
  if (command == "download")
    return tools::RunDownload(argc - 2, argv + 2);
  if (command == "verify")
    return tools::RunVerify(argc - 2, argv + 2);
  if (command == "render")
    return tools::RunRender(argc - 2, argv + 2);
  std::fprintf(stderr, "kolvarin-tool: unknown command '%s'\n\n%s", command.c_str(), Usage);
  return 2;
}
