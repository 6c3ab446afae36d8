// The time from starting a program to its window of class CLASS being shown on the display.
//
//   kv-time-to-window [--hold MS] [--size WxH] CLASS PROGRAM [ARGS...]
//
// Prints the milliseconds, then ends the program. With --hold it first lets the program run MS
// more milliseconds and also prints its resident peak (VmHWM, KiB) at that point. With --size
// only a window of W by H pixels counts: another window of the class (a message box) does not.
#include "platform/DesktopWindows.h"

#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

long PeakKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string name;
  while (status >> name) {
    if (name == "VmHWM:") {
      long value = -1;
      status >> value;
      return value;
    }
    status.ignore(1 << 20, '\n');
  }
  return -1;
}

// Whether the window is W by H pixels; any size is right when `size` is empty.
bool HasSize(platform::WindowHandle window, const std::string& size) {
  if (size.empty())
    return true;
  Display* display = XOpenDisplay(nullptr);
  if (!display)
    return false;
  // A window that has gone meanwhile is an error of the server's, not the end of this program.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XWindowAttributes attributes{};
  const Status status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
  XCloseDisplay(display);
  return status != 0 &&
         size == std::to_string(attributes.width) + "x" + std::to_string(attributes.height);
}

} // namespace

int main(int argc, char** argv) {
  int hold = -1;
  if (argc >= 3 && std::strcmp(argv[1], "--hold") == 0) {
    hold = std::atoi(argv[2]);
    argc -= 2;
    argv += 2;
  }
  std::string size;
  if (argc >= 3 && std::strcmp(argv[1], "--size") == 0) {
    size = argv[2];
    argc -= 2;
    argv += 2;
  }
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: kv-time-to-window [--hold MS] [--size WxH] CLASS PROGRAM [ARGS...]\n");
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
    if (window != platform::NoWindow && platform::IsWindowVisible(window) &&
        HasSize(window, size)) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
               .count();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  long peak = -1;
  if (ms >= 0 && hold >= 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(hold));
    peak = PeakKiB(pid);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  if (ms < 0)
    return 1;
  if (hold >= 0)
    std::printf("%.1f %ld\n", ms, peak);
  else
    std::printf("%.1f\n", ms);
  return 0;
}
