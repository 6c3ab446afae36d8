// The time from starting a program to its window of class CLASS being shown on the display.
//
//   kv-time-to-window CLASS PROGRAM [ARGS...]
//
// Prints the milliseconds, then ends the program.
#include "platform/X11Windows.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s CLASS PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0)
    return 1;
  const auto deadline = start + std::chrono::seconds(30);
  double ms = -1;
  while (std::chrono::steady_clock::now() < deadline) {
    const platform::WindowHandle window = platform::FindWindowByClass(argv[1]);
    if (window != platform::NoWindow && platform::IsWindowVisible(window)) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  if (ms < 0)
    return 1;
  std::printf("%.1f\n", ms);
  return 0;
}
