#pragma once

#include "ChildProcess.h"
#include "platform/DesktopWindows.h"

#include <gtest/gtest.h>

namespace testsupport {

// Closes the updater's windows one after another (a message box first, when there is one, then
// the main window) as the window manager's close box would, until the program ends; true when
// it ended with exit code 0. The windows are those shown of `windowClass`.
inline bool CloseUntilEnded(ChildProcess& updater, const char* windowClass = "kolvarin-update") {
  for (int i = 0; i < 5 && updater.Running(); ++i) {
    platform::WindowHandle window = platform::NoWindow;
    WaitFor([&] {
      window = platform::FindShownWindowByClass(windowClass);
      return window != platform::NoWindow || !updater.Running();
    });
    if (window != platform::NoWindow)
      platform::RequestWindowClose(window, std::chrono::milliseconds(5000));
    updater.WaitExit(std::chrono::milliseconds(500));
  }
  const auto status = updater.WaitExit();
  EXPECT_TRUE(status.has_value());
  if (status) {
    EXPECT_TRUE(updater.ExitedNormallyWith(0)) << "wait status " << *status;
  }
  return status.has_value() && updater.ExitedNormallyWith(0);
}

} // namespace testsupport
