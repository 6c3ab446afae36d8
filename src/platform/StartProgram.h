#pragma once

#include <memory>
#include <string>

namespace platform {

// The folder of the running program.
std::string ExecutableFolder();

// What became of a started program, as far as is known at the moment of asking.
enum class ProgramState {
  NotStarted, // the platform refused to run it (missing, not executable, of a wrong format)
  Running,
  Succeeded, // it ended with the exit status 0
  Failed,    // it ended with another exit status, or was ended by a signal
};

// A program started detached from this one whose end can still be asked about.
class StartedProgram {
public:
  virtual ~StartedProgram() = default;
  // Never waits: the state at the moment of the call. Once the program has ended the answer no
  // longer changes.
  virtual ProgramState State() = 0;
};

// Starts a program detached from this one (its own session, standard streams on /dev/null);
// the bare name is looked for in the program's own folder, then in the working folder. The
// program keeps running when this one ends or drops the result. On Linux the process is
// started with posix_spawn and asked about with waitpid; on Windows with CreateProcessW, and
// asked about with WaitForSingleObject (no wait) and GetExitCodeProcess.
std::unique_ptr<StartedProgram> StartWatchedProgram(const std::string& name);

// Starts a program as StartWatchedProgram does without watching it. True when it started.
bool StartProgram(const std::string& name);

} // namespace platform
