#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// Starts `argv` (argv[0] looked up in PATH when it has no '/') in a session of its own with its
// standard streams on /dev/null; the process id, or -1 when it did not start.
pid_t SpawnDetached(std::vector<std::string> argv);

} // namespace platform
