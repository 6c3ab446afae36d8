#include "platform/Spawn.h"

#include "platform/win32/Unicode.h"

#include <windows.h>

namespace platform {

namespace {

// One argument quoted as the C run-time's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
    return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

} // namespace

pid_t SpawnDetached(std::vector<std::string> argv) {
  if (argv.empty())
    return -1;
  std::wstring commandLine;
  for (const std::string& argument : argv) {
    if (!commandLine.empty())
      commandLine += L' ';
    commandLine += Quoted(win32::Widen(argument));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The program is found as Windows finds it: its own folder when the name has a path,
  // else the usual search order.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                      &process))
    return -1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<pid_t>(process.dwProcessId);
}

} // namespace platform
