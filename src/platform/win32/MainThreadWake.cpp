#include "platform/MainThreadWake.h"

#include "platform/win32/HandOff.h"

#include <atomic>
#include <windows.h>

namespace platform {

namespace {

// Posted to the user-interface thread's message queue when a hand-off waits for it.
constexpr UINT WakeMessage = WM_APP + 0x4B;

std::atomic<DWORD> g_mainThreadId{GetCurrentThreadId()};

} // namespace

void PrepareWake() {
  // A thread has a message queue only after its first message call; the wake needs one.
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  g_mainThreadId = GetCurrentThreadId();
}

void WakeMainThread() {
  PostThreadMessageW(g_mainThreadId, WakeMessage, 0, 0);
}

void EndWake() {
  // Messages posted from now on are not looked at: nothing to undo.
}

bool IsWakeMessage(unsigned message) {
  return message == WakeMessage;
}

} // namespace platform
