#pragma once

#include "platform/Exceptions.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

// Raised when a thread cannot be started.
class EThread : public Exception {
public:
  using Exception::Exception;
};

// The worker-thread base: created suspended and started explicitly; the body polls its stop
// request; when the body has ended, OnTerminate runs on the user-interface thread through the
// synchronous hand-off, and a free-on-terminate thread then deletes itself.
class TThread {
public:
  TThread() = default;
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Runs on the user-interface thread after the body; may be replaced until then (it is read
  // there, when it runs).
  std::function<void(TThread* sender)> OnTerminate;
  bool FreeOnTerminate = false;

  // Starts the body on a thread of its own; raises EThread "Thread creation error: %s".
  void Start();
  // Asks the body to stop at its next check point.
  void Terminate() noexcept { m_terminated.store(true); }
  bool Terminated() const noexcept { return m_terminated.load(); }
  // Waits for the thread of a thread that does not free itself.
  void WaitFor();

  // Runs `call` on the user-interface thread and waits for it: queued in a process-wide list,
  // the user-interface thread woken by a posted event; an exception `call` raises is raised
  // again here. On the user-interface thread itself the call runs directly.
  static void Synchronize(const std::function<void()>& call);

protected:
  virtual void Execute() = 0;

private:
  void Run();

  std::atomic<bool> m_terminated{false};
  std::thread m_thread;
};

// Marks the calling thread as the user-interface thread (done by the application object).
void SetMainThread();
bool IsMainThread();

// Runs the hand-offs waiting for the user-interface thread; returns how many ran.
int CheckSynchronize();

// After this, every hand-off fails at once with EAbort instead of waiting for a user-interface
// thread that will not run it again (the application object calls it when it goes), so that a
// worker still running at exit ends its body instead of blocking.
void CloseSynchronize();

} // namespace platform
