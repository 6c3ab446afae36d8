// Test entry for suites that need the application object and an event loop.
#include "platform/Application.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (at build time) needs no display.
  if (GTEST_FLAG_GET(list_tests))
    return RUN_ALL_TESTS();
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::TApplication application(argc, argv);
  application.SetTitle("Kolvarin Radyo Güncelleme");
  return RUN_ALL_TESTS();
}
