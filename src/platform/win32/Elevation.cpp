#include "platform/Elevation.h"

#include "platform/win32/Unicode.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

namespace platform {

namespace {

class Win32ElevatedRun final : public ElevatedRun {
public:
  explicit Win32ElevatedRun(HANDLE process) : m_process(process) {}
  ~Win32ElevatedRun() override { CloseHandle(m_process); }
  Win32ElevatedRun(const Win32ElevatedRun&) = delete;
  Win32ElevatedRun& operator=(const Win32ElevatedRun&) = delete;

  bool Ended() override { return WaitForSingleObject(m_process, 0) != WAIT_TIMEOUT; }

  int ExitCode() override {
    DWORD code = 0;
    if (!Ended() || !GetExitCodeProcess(m_process, &code))
      return -1;
    return static_cast<int>(code);
  }

private:
  HANDLE m_process;
};

// The arguments as one command line; each of ours is a plain word, a space or quote in one is
// quoted as the C run-time reads it back.
std::wstring Parameters(const std::vector<std::string>& arguments) {
  std::wstring line;
  for (const std::string& argument : arguments) {
    if (!line.empty())
      line += L' ';
    const std::wstring wide = win32::Widen(argument);
    if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) {
      line += wide;
      continue;
    }
    line += L'"';
    for (wchar_t c : wide) {
      if (c == L'"')
        line += L'\\';
      line += c;
    }
    line += L'"';
  }
  return line;
}

} // namespace

std::unique_ptr<ElevatedRun> StartElevatedSelf(const std::vector<std::string>& arguments) {
  std::wstring program(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  if (length == 0 || length >= program.size())
    return nullptr;
  program.resize(length);
  std::wstring folder(32768, L'\0');
  const DWORD folderLength = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (folderLength == 0 || folderLength >= folder.size())
    return nullptr;
  folder.resize(folderLength);
  const std::wstring parameters = Parameters(arguments);

  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  // The process handle is what the first run waits on; without NOASYNC the call could return
  // before the start is done.
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  run.lpVerb = L"runas";
  run.lpFile = program.c_str();
  run.lpParameters = parameters.c_str();
  run.lpDirectory = folder.c_str();
  run.nShow = SW_SHOWNORMAL;
  // A refusal at the consent prompt fails with ERROR_CANCELLED.
  if (!ShellExecuteExW(&run) || !run.hProcess)
    return nullptr;
  return std::make_unique<Win32ElevatedRun>(run.hProcess);
}

} // namespace platform
