#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// One process of a snapshot. `szExeFile` is the executable's path (argv[0] when the path
// cannot be read, empty for kernel threads).
struct ProcessEntry {
  pid_t th32ProcessID = 0;
  std::string szExeFile;
};

// Every process visible to this one, from /proc. Empty when /proc cannot be read.
std::vector<ProcessEntry> SnapshotProcesses();

// The executable of one process as SnapshotProcesses reports it.
std::string ProcessExeFile(pid_t pid);

// Ends the process at once (SIGKILL) without waiting for it to be gone. Refuses, and returns
// false, for the caller's own process and for ids that do not name a single process; false
// also when the system refuses (no right to signal it, no such process).
bool TerminateProcessById(pid_t pid);

} // namespace platform
