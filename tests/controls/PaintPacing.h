#pragma once

// A download's pace on a window: a control that changes every few hundred microseconds, the
// thread's events run between the changes, and what the host made of it.

#include "SpyControl.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>

// Changes the spy's fill (a new blue each time) for a quarter of a second, calling `pump`
// between the changes, and checks that the window painted at least once and at most once a
// frame (the first paint and a late one besides). Returns the last fill.
inline controls::TColor ChangeAtADownloadsPace(TSpyControl& spy,
                                               const std::function<void()>& pump) {
  const int before = spy.paints;
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::milliseconds(250);
  unsigned changes = 0;
  while (std::chrono::steady_clock::now() < end) {
    // Colours are 0x00BBGGRR.
    spy.fill = static_cast<controls::TColor>(++changes & 0xFF) << 16;
    spy.Invalidate();
    pump();
    const auto pause = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
    while (std::chrono::steady_clock::now() < pause) {
    }
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const int frames = static_cast<int>(elapsed / std::chrono::milliseconds(16));
  const int paints = spy.paints - before;
  EXPECT_GT(changes, 200u);
  EXPECT_GE(paints, 1);
  EXPECT_LE(paints, frames + 2) << changes << " changes";
  return *spy.fill;
}
