#include "platform/Spawn.h"

#include "platform/win32/Spawn.h"
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

namespace win32 {

void* SpawnDetachedProcess(const std::vector<std::string>& argv, unsigned long* processId) {
  if (argv.empty())
    return nullptr;
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
    return nullptr;
  CloseHandle(process.hThread);
  if (processId)
    *processId = process.dwProcessId;
  return process.hProcess;
}

} // namespace win32

pid_t SpawnDetached(std::vector<std::string> argv) {
  unsigned long id = 0;
  void* process = win32::SpawnDetachedProcess(argv, &id);
  if (!process)
    return -1;
  CloseHandle(process);
  return static_cast<pid_t>(id);
}

} // namespace platform
