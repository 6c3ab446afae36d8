#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform::win32 {

// Starts `argv` detached from this process; the new process's handle (to be closed with
// CloseHandle) and its id, or null when it did not start.
void* SpawnDetachedProcess(const std::vector<std::string>& argv, unsigned long* processId);

// ERROR_ELEVATION_REQUIRED: the program's manifest asks for rights the caller does not have.
inline constexpr unsigned long ElevationRequired = 740;

// A way of starting `program` (a full path) without arguments: the new process's handle, or null
// with the system's error code in `error`.
using ProcessStarter = std::function<void*(const std::string& program, unsigned long& error)>;

// Runs `start` (which creates a process and returns its handle) with SEM_FAILCRITICALERRORS and
// SEM_NOGPFAULTERRORBOX added to this process's error mode, for the child to inherit; this
// process's own mode is put back before it returns.
void* WithChildErrorMode(const std::function<void*()>& start);
// CreateProcessW, detached, with the error mode that keeps no dialog between a crash (or a
// missing DLL) and the process's end in effect for the child.
void* CreateProgramProcess(const std::string& program, unsigned long& error);
// ShellExecuteExW ("open"), which asks the user for the rights a program's manifest asks for;
// the process runs in the working folder.
void* ShellOpenProcess(const std::string& program, unsigned long& error);

// Starts `program` with `create`; only when that is refused because the program needs elevation
// (ElevationRequired), with `shellOpen`. The process's handle or null.
void* StartProcessOrElevate(const std::string& program,
                            const ProcessStarter& create = CreateProgramProcess,
                            const ProcessStarter& shellOpen = ShellOpenProcess);

} // namespace platform::win32
