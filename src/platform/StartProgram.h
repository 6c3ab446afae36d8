#pragma once

#include <string>

namespace platform {

// The folder of the running program.
std::string ExecutableFolder();

// Starts a program detached from this one (its own session, standard streams on /dev/null);
// the bare name is looked for in the program's own folder, then in the working folder.
// True when it started.
bool StartProgram(const std::string& name);

} // namespace platform
