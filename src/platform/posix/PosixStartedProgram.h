#pragma once

#include "platform/StartProgram.h"

#include <sys/types.h>

namespace platform {

// A child process asked about with waitpid without waiting; -1 when it did not start.
class PosixStartedProgram : public StartedProgram {
public:
  explicit PosixStartedProgram(pid_t pid) : m_pid(pid) {}
  ProgramState State() override;

private:
  pid_t m_pid;
  ProgramState m_state = ProgramState::Running;
};

} // namespace platform
