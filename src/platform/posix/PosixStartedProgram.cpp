#include "platform/posix/PosixStartedProgram.h"

#include <cerrno>
#include <sys/wait.h>

namespace platform {

ProgramState PosixStartedProgram::State() {
  if (m_pid <= 0)
    return ProgramState::NotStarted;
  if (m_state != ProgramState::Running)
    return m_state;
  int status = 0;
  pid_t done = 0;
  do
    done = ::waitpid(m_pid, &status, WNOHANG);
  while (done < 0 && errno == EINTR);
  if (done == 0)
    return m_state;
  // A child reaped elsewhere (or never ours) has left no status to judge by.
  if (done < 0)
    m_state = ProgramState::Succeeded;
  else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    m_state = ProgramState::Succeeded;
  else if (WIFEXITED(status) || WIFSIGNALED(status))
    m_state = ProgramState::Failed;
  return m_state;
}

} // namespace platform
