#pragma once

// The Windows tests' stand-in for the application's message loop, for windows of their own.

#include <chrono>
#include <functional>
#include <windows.h>

// Runs the thread's messages, as the application's loop does, until `done` or 5 s; false when
// the time ran out.
inline bool PumpUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
  return true;
}

inline void PumpAWhile(int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  PumpUntil([&] { return std::chrono::steady_clock::now() > end; });
}
