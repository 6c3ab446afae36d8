#pragma once

#include "ChildProcess.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace testsupport {

// Tests that need an X display skip without one; scripts/test always provides one.
#define KV_REQUIRE_DISPLAY()                                                                       \
  do {                                                                                             \
    if (!std::getenv("DISPLAY"))                                                                   \
      GTEST_SKIP() << "needs an X display (scripts/test starts one)";                              \
  } while (false)

// The fake player started with `args` (mode first), once its window exists.
struct FakePlayer {
  std::unique_ptr<ChildProcess> process;
  std::uint64_t window = 0;

  explicit FakePlayer(std::vector<std::string> args)
      : process(std::make_unique<ChildProcess>(SupportProgram("kv-fake-player"),
                                               StartOptions{.args = std::move(args)})) {
    const auto line = process->ReadLine();
    if (line && line->rfind("ready ", 0) == 0)
      window = std::stoull(line->substr(6), nullptr, 16);
  }
};

} // namespace testsupport
