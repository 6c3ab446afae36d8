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

// Starts a program detached from this one (its own session, standard streams on /dev/null): the
// bare name in the working folder (the player's folder, where the swap put the new player), by
// its absolute path, never a file of that name beside this program. The program keeps running
// when this one ends or drops the result. On Linux the process is started with posix_spawn and
// asked about with waitpid. On Windows it is started with CreateProcessW, with the error mode
// that lets a crash or a missing DLL end it rather than hold it in a dialog, or, when Windows
// answers that it needs elevation, through the shell (ShellExecuteExW), which asks the user;
// it is asked about with WaitForSingleObject (no wait) and GetExitCodeProcess.
std::unique_ptr<StartedProgram> StartWatchedProgram(const std::string& name);

// Starts a program as StartWatchedProgram does without watching it. True when it started.
bool StartProgram(const std::string& name);

} // namespace platform
