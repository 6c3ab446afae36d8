#include "app/PlayerShutdown.h"

#include "platform/Processes.h"
#include "platform/Text.h"

namespace app {

void CloseWindowProcess(platform::WindowHandle window) {
  platform::RequestWindowClose(window, PlayerCloseTimeout);
  if (!platform::IsWindow(window))
    return;
  const pid_t owner = platform::WindowProcessId(window);
  if (owner == 0)
    return;
  platform::TerminateProcessById(owner);
}

std::string AsciiUpperCase(std::string_view text) {
  return platform::UpperCase(text);
}

bool ExeNameMatches(std::string_view exe, std::string_view name) {
  const size_t cut = exe.find_last_of("/\\:");
  const std::string_view base = cut == std::string_view::npos ? exe : exe.substr(cut + 1);
  const std::string wanted = AsciiUpperCase(name);
  return AsciiUpperCase(base) == wanted || AsciiUpperCase(exe) == wanted;
}

int TerminateProcessesByName(std::string_view name) {
  int terminated = 0;
  for (const platform::ProcessEntry& process : platform::SnapshotProcesses()) {
    if (ExeNameMatches(process.szExeFile, name) &&
        platform::TerminateProcessById(process.th32ProcessID))
      ++terminated;
  }
  return terminated;
}

} // namespace app
