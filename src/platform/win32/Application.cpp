#include "platform/Application.h"

#include "platform/TThread.h"
#include "platform/WindowHost.h"

#include <windows.h>

#include <algorithm>
#include <map>

namespace platform {

namespace {

// The handlers of the thread timers DispatchAfter set, by timer.
std::map<UINT_PTR, std::function<void()>> g_timers;

void CALLBACK TimerDue(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const auto found = g_timers.find(timer);
  if (found == g_timers.end())
    return;
  const std::function<void()> handler = std::move(found->second);
  g_timers.erase(found);
  if (TApplication* application = TApplication::Instance())
    application->Dispatch(handler);
}

} // namespace

bool TApplication::CanShowWindows(std::string&) {
  return true;
}

// The thread's message loop needs nothing kept besides.
struct TApplication::TSystemLoop {};

TApplication::TApplication(int&, char**) {
  s_instance = this;
  SetMainThread();
}

TApplication::~TApplication() {
  // A worker still running must not wait for hand-offs that will never run.
  CloseSynchronize();
  for (const auto& [timer, handler] : g_timers)
    KillTimer(nullptr, timer);
  g_timers.clear();
  s_instance = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  m_title = title;
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TApplication::DispatchAfter(std::chrono::milliseconds delay,
                                 std::function<void()> handler) {
  const UINT_PTR timer =
      SetTimer(nullptr, 0, static_cast<UINT>(std::max<long long>(delay.count(), 0)), TimerDue);
  if (timer != 0)
    g_timers[timer] = std::move(handler);
}

int TApplication::Run() {
  if (m_mainWindow && !m_terminated && !m_keepMainWindowHidden)
    Dispatch([this] { m_mainWindow->Show(); });
  // A hand-off queued before its wake message was posted is served at the start.
  CheckSynchronize();
  MSG message;
  // The hand-offs' wake-ups are window messages, dispatched like the rest.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return m_exitCode;
}

void TApplication::Terminate() {
  m_terminated = true;
  PostQuitMessage(0);
}

} // namespace platform
