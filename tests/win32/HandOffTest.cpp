// The hand-off on Windows: a worker's call runs on the user-interface thread, woken by a posted
// thread message, and the worker waits for it.
#include "Worker.h"
#include "platform/Console.h"
#include "platform/TThread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using testsupport::Worker;

struct Loop {
  int argc = 1;
  char name[5] = "test";
  char* argv[2] = {name, nullptr};
  platform::TConsoleApplication application{argc, argv};
};

TEST(WinHandOff, CallsRunOnTheUserInterfaceThreadInOrderAndTheWorkerWaits) {
  Loop loop;
  const std::thread::id uiThread = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> ended{false};
  std::atomic<bool> allOnUi{true};
  Worker worker([&](Worker&) {
    for (int i = 0; i < 50; ++i) {
      platform::TThread::Synchronize([&, i] {
        allOnUi = allOnUi && std::this_thread::get_id() == uiThread;
        order.push_back(i);
      });
      // The call has run when Synchronize returns.
      if (static_cast<int>(order.size()) != i + 1)
        allOnUi = false;
    }
  });
  worker.OnTerminate = [&](platform::TThread*) { ended = true; };
  worker.Start();
  while (!ended)
    platform::ProcessMessages(true);
  worker.WaitFor();
  EXPECT_TRUE(allOnUi);
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(WinHandOff, AnExceptionOfTheCallIsRaisedInTheWorker) {
  Loop loop;
  std::atomic<bool> ended{false};
  std::string caught;
  Worker worker([&](Worker&) {
    try {
      platform::TThread::Synchronize([] { throw std::runtime_error("from the call"); });
    } catch (const std::exception& error) {
      caught = error.what();
    }
  });
  worker.OnTerminate = [&](platform::TThread*) { ended = true; };
  worker.Start();
  while (!ended)
    platform::ProcessMessages(true);
  worker.WaitFor();
  EXPECT_EQ(caught, "from the call");
}

TEST(WinHandOff, AfterTheLoopHasGoneAHandOffFailsAtOnce) {
  { Loop loop; }
  bool aborted = false;
  std::thread worker([&] {
    try {
      platform::TThread::Synchronize([] {});
    } catch (const platform::EAbort&) {
      aborted = true;
    }
  });
  worker.join();
  EXPECT_TRUE(aborted);
}

} // namespace
