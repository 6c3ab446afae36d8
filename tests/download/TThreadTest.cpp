// The worker-thread base and the synchronous hand-off to the user-interface thread.
#include "platform/TThread.h"

#include "Worker.h"
#include "platform/Exceptions.h"

#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::TThread;
using testsupport::Worker;

TEST(HandOff, RunsEachCallOnTheUserInterfaceThreadInOrderAndWaitsForIt) {
  const std::thread::id ui = std::this_thread::get_id();
  std::vector<int> ran;
  bool allOnUi = true;
  bool sawEach = true;
  bool ended = false;
  Worker worker([&](Worker&) {
    for (int i = 0; i < 200; ++i) {
      TThread::Synchronize([&, i] {
        ran.push_back(i);
        allOnUi = allOnUi && std::this_thread::get_id() == ui;
      });
      // The call has run when Synchronize returns.
      sawEach = sawEach && ran.size() == static_cast<std::size_t>(i + 1);
    }
  });
  worker.OnTerminate = [&](TThread*) { ended = true; };
  worker.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
  worker.WaitFor();
  ASSERT_EQ(ran.size(), 200u);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
  EXPECT_TRUE(allOnUi);
  EXPECT_TRUE(sawEach);
}

TEST(HandOff, AnExceptionRaisedByTheCallIsRaisedAgainInTheWorker) {
  std::string caught;
  bool ended = false;
  Worker worker([&](Worker&) {
    try {
      TThread::Synchronize([] { throw platform::Exception("from the user-interface thread"); });
    } catch (const platform::Exception& e) {
      caught = e.what();
    }
  });
  worker.OnTerminate = [&](TThread*) { ended = true; };
  worker.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
  worker.WaitFor();
  EXPECT_EQ(caught, "from the user-interface thread");
}

TEST(HandOff, OnTheUserInterfaceThreadTheCallRunsDirectly) {
  bool ran = false;
  TThread::Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST(TThread, TheBodySeesTheStopRequestAndAFreeOnTerminateThreadDeletesItself) {
  std::atomic<bool> destroyed{false};
  std::atomic<bool> running{false};
  bool terminated = false;
  auto* worker = new Worker(
      [&](Worker& self) {
        running = true;
        while (!self.Terminated())
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      },
      &destroyed);
  worker->FreeOnTerminate = true;
  worker->OnTerminate = [&](TThread*) { terminated = true; };
  worker->Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return running.load(); }, 10000));
  EXPECT_FALSE(terminated);
  worker->Terminate();
  ASSERT_TRUE(QTest::qWaitFor([&] { return destroyed.load(); }, 10000));
  EXPECT_TRUE(terminated);
}

} // namespace
