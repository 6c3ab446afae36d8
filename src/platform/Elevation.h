#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// A second run of this program with the administrator's rights, started by StartElevatedSelf.
class ElevatedRun {
public:
  virtual ~ElevatedRun() = default;
  // Never waits: whether the run has ended.
  virtual bool Ended() = 0;
  // The run's exit code once it has ended; -1 before, or when the system does not tell.
  virtual int ExitCode() = 0;
};

// Starts this program again, with `arguments`, with the administrator's rights: on Windows the
// system asks the user for them (ShellExecuteExW with the "runas" verb) and the new process
// gets the working folder of this one. Null when the user refused, the system could not start
// it, or the system has no such start (Linux: the updater never asks for rights there).
std::unique_ptr<ElevatedRun> StartElevatedSelf(const std::vector<std::string>& arguments);

} // namespace platform
