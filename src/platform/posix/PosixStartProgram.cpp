#include "platform/StartProgram.h"

#include "platform/Spawn.h"
#include "platform/posix/PosixStartedProgram.h"

#include <unistd.h>

namespace platform {

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0)
    return ".";
  std::string exe(path, static_cast<std::size_t>(length));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

std::unique_ptr<StartedProgram> StartWatchedProgram(const std::string& name) {
  std::string program = ExecutableFolder() + "/" + name;
  if (::access(program.c_str(), X_OK) != 0)
    program = "./" + name;
  return std::make_unique<PosixStartedProgram>(SpawnDetached({program}));
}

bool StartProgram(const std::string& name) {
  return StartWatchedProgram(name)->State() != ProgramState::NotStarted;
}

} // namespace platform
