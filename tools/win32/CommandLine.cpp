#include "tools/CommandLine.h"

#include "platform/win32/Unicode.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

namespace tools {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide)
    return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(platform::win32::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

} // namespace tools
