#include "LinuxPrograms.h"

#include <windows.h>

namespace testsupport {

// Wine's drive Z: is the Unix root: the system's /tmp, where the servers' own users (nobody,
// proxy) reach the files, unlike the prefix's folders.
std::filesystem::path LinuxFolderBase() {
  return std::filesystem::path(L"Z:\\tmp");
}

std::string UnixPathOf(const std::filesystem::path& path) {
  std::string unix = path.generic_string();
  if (unix.size() >= 2 && (unix[0] == 'Z' || unix[0] == 'z') && unix[1] == ':')
    unix.erase(0, 2);
  return unix;
}

// Wine starts a program that is no Windows program as a Unix one, with the command line split
// into its arguments; the process it reports is no process to wait on.
bool StartBash(const std::string& unixScript) {
  std::string commandLine = "/bin/bash \"" + unixScript + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  if (process.hThread)
    CloseHandle(process.hThread);
  if (process.hProcess)
    CloseHandle(process.hProcess);
  return true;
}

} // namespace testsupport
