#pragma once

#include <chrono>
#include <optional>
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

// How long a snapshot waits, in all, for the command lines it has to read.
inline constexpr std::chrono::milliseconds SnapshotReadLimit{1000};

// Every process visible to this one, from /proc. Empty when /proc cannot be read. A command
// line that cannot be read within `limit` (a process stuck in the kernel holds up such a read
// without end) leaves that process's name empty.
std::vector<ProcessEntry> SnapshotProcesses(std::chrono::milliseconds limit = SnapshotReadLimit);

// The text up to the first NUL of each file, each read on a thread of its own; a file not read
// by `deadline` gives nothing (its thread is left to end when its read does).
std::vector<std::optional<std::string>>
ReadFirstFields(const std::vector<std::string>& paths,
                std::chrono::steady_clock::time_point deadline);

// The executable of one process as SnapshotProcesses reports it.
std::string ProcessExeFile(pid_t pid);

// How long TerminateProcessById waits for the process it ended to be gone.
inline constexpr std::chrono::milliseconds TerminateWaitLimit{5000};

// Ends the process at once (SIGKILL; TerminateProcess on Windows) and waits, at most
// TerminateWaitLimit, until it is gone (on Linux: gone or a zombie), so that the file of its
// program is no longer in use when this returns. Refuses, and returns false, for the caller's
// own process and for ids that do not name a single process; false also when the system refuses
// (no right to end it, no such process).
bool TerminateProcessById(pid_t pid);

} // namespace platform
