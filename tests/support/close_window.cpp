// Asks the first top-level window of a class to close, as the updater asks the player, and
// waits for it to go.
//
//   kv-close-window CLASS
//
// Exits 0 when the window is gone, 1 when it is still there, 2 when there was none.
#include "platform/DesktopWindows.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CLASS\n", argv[0]);
    return 2;
  }
  const platform::WindowHandle window = platform::FindWindowByClass(argv[1]);
  if (window == platform::NoWindow)
    return 2;
  platform::RequestWindowClose(window, std::chrono::milliseconds(5000));
  return platform::IsWindow(window) ? 1 : 0;
}
