#include "platform/StartProgram.h"

#include "platform/win32/Spawn.h"
#include "platform/win32/Unicode.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

namespace platform {

namespace {

class Win32StartedProgram final : public StartedProgram {
public:
  explicit Win32StartedProgram(HANDLE process) : m_process(process) {}
  ~Win32StartedProgram() override {
    if (m_process)
      CloseHandle(m_process);
  }
  Win32StartedProgram(const Win32StartedProgram&) = delete;
  Win32StartedProgram& operator=(const Win32StartedProgram&) = delete;

  ProgramState State() override {
    if (!m_process)
      return ProgramState::NotStarted;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
      return ProgramState::Running;
    DWORD code = 1;
    if (!GetExitCodeProcess(m_process, &code))
      return ProgramState::Failed;
    return code == 0 ? ProgramState::Succeeded : ProgramState::Failed;
  }

private:
  HANDLE m_process;
};

std::wstring WorkingFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (length == 0)
      return L".";
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    // Too small: the length asked for counts the terminating null.
    folder.resize(length);
  }
}

} // namespace

namespace win32 {

void* WithChildErrorMode(const std::function<void*()>& start) {
  // A child inherits the error mode: with these bits a player that crashes, or misses a DLL,
  // while it starts ends at once, instead of waiting in Windows Error Reporting's or the
  // loader's dialog past the start limit, where it would count as started. The updater's own
  // mode is put back after, so that its own crashes are reported as before.
  const UINT previous = GetErrorMode();
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  void* process = start();
  SetErrorMode(previous);
  return process;
}

void* CreateProgramProcess(const std::string& program, unsigned long& error) {
  return WithChildErrorMode([&] {
    void* process = SpawnDetachedProcess({program}, nullptr);
    error = process ? ERROR_SUCCESS : GetLastError();
    return process;
  });
}

void* ShellOpenProcess(const std::string& program, unsigned long& error) {
  const std::wstring file = Widen(program);
  const std::wstring folder = WorkingFolder();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // The process's handle is kept to watch it, the shell shows no message of its own, and the
  // call returns once the start has been handed on.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = nullptr;
  info.lpFile = file.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    error = GetLastError();
    return nullptr;
  }
  // An executable file always comes with its process; without one there is nothing to watch.
  error = info.hProcess ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  return info.hProcess;
}

void* StartProcessOrElevate(const std::string& program, const ProcessStarter& create,
                            const ProcessStarter& shellOpen) {
  unsigned long error = ERROR_SUCCESS;
  if (void* process = create(program, error))
    return process;
  // A program whose manifest asks for more rights than the updater has: CreateProcessW never
  // runs it, the shell asks the user (the consent prompt) and starts it elevated. Any other
  // refusal is final.
  if (error != ElevationRequired)
    return nullptr;
  return shellOpen(program, error);
}

} // namespace win32

std::unique_ptr<StartedProgram> StartWatchedProgram(const std::string& name) {
  // The file in the working folder, which is the player's folder where the swap happened, by
  // its full path: a file of the same name beside the updater is never what is watched.
  std::wstring folder = WorkingFolder();
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
    folder += L'\\';
  return std::make_unique<Win32StartedProgram>(
      static_cast<HANDLE>(win32::StartProcessOrElevate(win32::Narrow(folder) + name)));
}

bool StartProgram(const std::string& name) {
  return StartWatchedProgram(name)->State() != ProgramState::NotStarted;
}

} // namespace platform
