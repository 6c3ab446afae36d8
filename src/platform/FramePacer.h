#pragma once

#include "platform/Geometry.h"

#include <chrono>

namespace platform {

// Paces a window's repaints to at most one a frame. A window host gathers what is invalidated
// and asks the system to paint it when the pacer says so: at once when the last paint is a
// frame old, else once the frame is over. A download changes the window's labels for every
// chunk, thousands of times a second; the screen shows sixty pictures a second at most.
class TFramePacer {
public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds Frame{16};

  // Adds a part of the window to be painted. True when the host is to ask for the paint now;
  // false when it waits (Delay() tells how long) or has already asked.
  bool Invalidate(const TRect& rect, Clock::time_point now) {
    m_pending = m_pending.United(rect);
    if (m_waiting || m_pending.IsEmpty())
      return false;
    if (now - m_lastPaint >= Frame)
      return true;
    m_waiting = true;
    return false;
  }
  // How long the host waits before asking for the paint; zero when the frame is over.
  std::chrono::milliseconds Delay(Clock::time_point now) const {
    const auto left = m_lastPaint + Frame - now;
    return left <= Clock::duration::zero() ? std::chrono::milliseconds::zero()
                                           : std::chrono::ceil<std::chrono::milliseconds>(left);
  }
  // The part to be painted, handed to the system now: the pacer forgets it.
  TRect TakePending() {
    const TRect pending = m_pending;
    m_pending = {};
    m_waiting = false;
    return pending;
  }
  bool Waiting() const { return m_waiting; }
  // The window painted (for whatever reason: an invalidation, an exposure).
  void Painted(Clock::time_point now) { m_lastPaint = now; }

private:
  TRect m_pending;
  bool m_waiting = false;
  Clock::time_point m_lastPaint{};
};

} // namespace platform
