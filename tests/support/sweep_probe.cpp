// Runs the player sweep from a process of its own, so that tests can give the sweeping
// process the player's name or an unprivileged user.
//
//   kv-sweep-probe [--uid UID] NAME
//
// Prints "terminated N" and exits 0.
#include "app/PlayerShutdown.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
  int next = 1;
  if (argc > 3 && std::string(argv[1]) == "--uid") {
    const auto uid = static_cast<uid_t>(std::strtoul(argv[2], nullptr, 10));
    if (setgid(uid) != 0 || setuid(uid) != 0) {
      std::perror("kv-sweep-probe: setuid");
      return 3;
    }
    next = 3;
  }
  if (next >= argc) {
    std::fprintf(stderr, "usage: %s [--uid UID] NAME\n", argv[0]);
    return 2;
  }
  const int terminated = app::TerminateProcessesByName(argv[next]);
  std::printf("terminated %d\n", terminated);
  return 0;
}
