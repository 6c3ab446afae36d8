#pragma once

#include <string>
#include <vector>

namespace platform::win32 {

// Starts `argv` detached from this process; the new process's handle (to be closed with
// CloseHandle) and its id, or null when it did not start.
void* SpawnDetachedProcess(const std::vector<std::string>& argv, unsigned long* processId);

} // namespace platform::win32
