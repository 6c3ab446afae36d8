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
  // By its full path, so that the started program's own idea of where it lies is the file the
  // updater put there.
  std::string folder(4096, '\0');
  if (!::getcwd(folder.data(), folder.size()))
    return std::make_unique<PosixStartedProgram>(SpawnDetached({"./" + name}));
  folder.resize(std::char_traits<char>::length(folder.c_str()));
  return std::make_unique<PosixStartedProgram>(
      SpawnDetached({(folder == "/" ? "" : folder) + "/" + name}));
}

bool StartProgram(const std::string& name) {
  return StartWatchedProgram(name)->State() != ProgramState::NotStarted;
}

} // namespace platform
