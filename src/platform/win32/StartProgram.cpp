#include "platform/StartProgram.h"

#include "platform/FileOperations.h"
#include "platform/win32/Spawn.h"

#include <windows.h>

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

} // namespace

std::unique_ptr<StartedProgram> StartWatchedProgram(const std::string& name) {
  std::string program = ExecutableFolder() + "\\" + name;
  if (!SystemFileOperations().Exists(program))
    program = ".\\" + name;
  return std::make_unique<Win32StartedProgram>(
      static_cast<HANDLE>(win32::SpawnDetachedProcess({program}, nullptr)));
}

bool StartProgram(const std::string& name) {
  return StartWatchedProgram(name)->State() != ProgramState::NotStarted;
}

} // namespace platform
