// The process snapshot through tool-help, looked up by name in kernel32.dll as the player's
// closing has always done; ending a process with OpenProcess and TerminateProcess, then waiting
// for it to be gone.
#include "platform/Processes.h"

#include "platform/win32/Unicode.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

namespace platform {

namespace {

// Only what ending the process and waiting for its end take: security software often refuses a
// handle that may also read the process's memory.
constexpr DWORD TerminateAccess = PROCESS_TERMINATE | SYNCHRONIZE;

// TerminateProcess only starts the end: until the process has gone, its image is still mapped and
// its file cannot be replaced.
constexpr DWORD EndWaitMs = 5000;

struct ToolHelp {
  using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
  using Walk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32W*);
  Snapshot createSnapshot = nullptr;
  Walk first = nullptr;
  Walk next = nullptr;
};

const ToolHelp& Functions() {
  static const ToolHelp functions = [] {
    ToolHelp found;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
      return found;
    auto bind = [&](const char* name) {
      return reinterpret_cast<void*>(GetProcAddress(kernel, name));
    };
    found.createSnapshot = reinterpret_cast<ToolHelp::Snapshot>(bind("CreateToolhelp32Snapshot"));
    found.first = reinterpret_cast<ToolHelp::Walk>(bind("Process32FirstW"));
    found.next = reinterpret_cast<ToolHelp::Walk>(bind("Process32NextW"));
    return found;
  }();
  return functions;
}

} // namespace

// Tool-help reads no other process's memory, so nothing here can block: the limit is not needed.
std::vector<ProcessEntry> SnapshotProcesses(std::chrono::milliseconds /*limit*/) {
  const ToolHelp& toolHelp = Functions();
  if (!toolHelp.createSnapshot || !toolHelp.first || !toolHelp.next)
    return {};
  HANDLE snapshot = toolHelp.createSnapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return {};
  std::vector<ProcessEntry> entries;
  PROCESSENTRY32W entry{};
  // The record's size tells the system which layout the caller has.
  entry.dwSize = sizeof entry;
  for (BOOL more = toolHelp.first(snapshot, &entry); more; more = toolHelp.next(snapshot, &entry))
    entries.push_back({static_cast<pid_t>(entry.th32ProcessID), win32::Narrow(entry.szExeFile)});
  CloseHandle(snapshot);
  return entries;
}

std::string ProcessExeFile(pid_t pid) {
  for (const ProcessEntry& entry : SnapshotProcesses()) {
    if (entry.th32ProcessID == pid)
      return entry.szExeFile;
  }
  return {};
}

bool TerminateProcessById(pid_t pid) {
  if (pid <= 0 || static_cast<DWORD>(pid) == GetCurrentProcessId())
    return false;
  HANDLE process = OpenProcess(TerminateAccess, FALSE, static_cast<DWORD>(pid));
  if (!process)
    return false;
  const bool ended = TerminateProcess(process, 0) != FALSE;
  if (ended)
    WaitForSingleObject(process, EndWaitMs);
  CloseHandle(process);
  return ended;
}

} // namespace platform
