// kolvarin-tool.exe under Wine on the tests' display (see WindowsUpdaterTest.cpp for the set-up
// scripts/test makes).
#include "ChildProcess.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

// After the test library: Xlib's macros (None, Bool) would break its templates.
#include <X11/Xlib.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(WindowsTool, RenderDrawsTheWindowsStatesWithoutShowingAWindow) {
  const char* build = std::getenv("KOLVARIN_WINDOWS_BUILD");
  const char* const wine = "/usr/lib/wine/wine64";
  if (!std::getenv("DISPLAY") || !std::getenv("WINEPREFIX") || !build || access(wine, X_OK) != 0)
    GTEST_SKIP() << "needs the display, Wine and Windows build of scripts/test";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  // Every top-level window mapped on the display is reported to this connection.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  TempDir pictures;
  ChildProcess tool(wine, {.args = {(fs::path(build) / "kolvarin-tool.exe").string(), "render",
                                    pictures.Path().string()}});
  ASSERT_TRUE(tool.WaitExit(60s));
  EXPECT_TRUE(tool.ExitedNormallyWith(0));
  for (const char* state : {"current", "downloading", "failed"})
    EXPECT_TRUE(fs::exists(pictures.Path() / ("window-" + std::string(state) + ".png"))) << state;

  XSync(display, False);
  int mapped = 0;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify)
      ++mapped;
  }
  XCloseDisplay(display);
  EXPECT_EQ(mapped, 0) << "windows shown on the screen while the tool drew";
}

} // namespace
