// The pacing of a window's repaints: at most one a frame, what was invalidated in between
// gathered into the next.
#include "platform/FramePacer.h"

#include <gtest/gtest.h>

namespace {

using platform::TFramePacer;
using platform::TRect;
using namespace std::chrono_literals;

const TFramePacer::Clock::time_point Start = TFramePacer::Clock::time_point() + 1h;

TEST(FramePacer, AFirstInvalidationIsPaintedAtOnce) {
  TFramePacer pacer;
  EXPECT_TRUE(pacer.Invalidate({1, 2, 3, 4}, Start));
  EXPECT_EQ(pacer.TakePending(), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(pacer.TakePending(), TRect{}) << "taken once";
}

TEST(FramePacer, WithinAFrameOfAPaintTheRestWaitsForTheFrameToEnd) {
  TFramePacer pacer;
  pacer.Painted(Start);
  EXPECT_FALSE(pacer.Invalidate({10, 10, 20, 20}, Start + 5ms));
  EXPECT_TRUE(pacer.Waiting());
  EXPECT_EQ(pacer.Delay(Start + 5ms), 11ms);
  // Everything invalidated meanwhile joins the one paint; none asks for a paint of its own.
  for (int i = 0; i < 1000; ++i)
    EXPECT_FALSE(pacer.Invalidate({30, 5 + i % 3, 40, 25}, Start + 6ms));
  EXPECT_EQ(pacer.Delay(Start + 16ms), 0ms);
  EXPECT_EQ(pacer.TakePending(), (TRect{10, 5, 40, 25}));
  EXPECT_FALSE(pacer.Waiting());
}

TEST(FramePacer, AFrameAfterThePaintTheNextIsPaintedAtOnce) {
  const struct {
    std::chrono::microseconds sincePaint;
    bool now;
  } cases[] = {{0us, false}, {15999us, false}, {16000us, true}, {1s, true}};
  for (const auto& c : cases) {
    TFramePacer pacer;
    pacer.Painted(Start);
    EXPECT_EQ(pacer.Invalidate({0, 0, 5, 5}, Start + c.sincePaint), c.now) << c.sincePaint.count();
    EXPECT_EQ(pacer.Waiting(), !c.now) << c.sincePaint.count();
  }
}

TEST(FramePacer, AnEmptyRectangleAsksForNothing) {
  TFramePacer pacer;
  EXPECT_FALSE(pacer.Invalidate({5, 5, 5, 9}, Start));
  EXPECT_FALSE(pacer.Waiting());
  EXPECT_TRUE(pacer.TakePending().IsEmpty());
}

} // namespace
