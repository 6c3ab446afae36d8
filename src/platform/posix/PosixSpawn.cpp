#include "platform/Spawn.h"

#include <fcntl.h>
#include <spawn.h>

extern char** environ;

namespace platform {

pid_t SpawnDetached(std::vector<std::string> argv) {
  if (argv.empty())
    return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char*> args;
  for (std::string& arg : argv)
    args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

} // namespace platform
