#include "platform/TThread.h"

#include "platform/MainThreadWake.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform {

namespace {

struct PendingCall {
  std::function<void()> call;
  std::exception_ptr error;
  bool done = false;
};

// The process-wide list of hand-offs. Never destroyed: a worker may still use it while the
// process exits.
struct SyncQueue {
  std::mutex lock;
  std::condition_variable ran;
  std::deque<PendingCall*> pending;
  bool closed = false;
  std::thread::id mainThread = std::this_thread::get_id();
};

SyncQueue& Queue() {
  static auto* queue = new SyncQueue;
  return *queue;
}

} // namespace

void SetMainThread() {
  PrepareWake();
  SyncQueue& queue = Queue();
  std::lock_guard guard(queue.lock);
  queue.mainThread = std::this_thread::get_id();
  queue.closed = false;
}

bool IsMainThread() {
  SyncQueue& queue = Queue();
  std::lock_guard guard(queue.lock);
  return queue.mainThread == std::this_thread::get_id();
}

int CheckSynchronize() {
  SyncQueue& queue = Queue();
  int ran = 0;
  while (true) {
    PendingCall* pending = nullptr;
    {
      std::lock_guard guard(queue.lock);
      if (queue.pending.empty())
        return ran;
      pending = queue.pending.front();
      queue.pending.pop_front();
    }
    // The lock is not held while the call runs: it may take long, or hand off itself.
    try {
      pending->call();
    } catch (...) {
      pending->error = std::current_exception();
    }
    {
      std::lock_guard guard(queue.lock);
      pending->done = true;
    }
    queue.ran.notify_all();
    ++ran;
  }
}

void CloseSynchronize() {
  SyncQueue& queue = Queue();
  {
    std::lock_guard guard(queue.lock);
    queue.closed = true;
    for (PendingCall* pending : queue.pending) {
      pending->error = std::make_exception_ptr(EAbort());
      pending->done = true;
    }
    queue.pending.clear();
  }
  queue.ran.notify_all();
  std::lock_guard guard(queue.lock);
  EndWake();
}

void TThread::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  SyncQueue& queue = Queue();
  PendingCall pending{call, nullptr, false};
  {
    std::unique_lock guard(queue.lock);
    if (queue.closed)
      throw EAbort();
    queue.pending.push_back(&pending);
    WakeMainThread();
    queue.ran.wait(guard, [&] { return pending.done; });
  }
  if (pending.error)
    std::rethrow_exception(pending.error);
}

TThread::~TThread() {
  if (m_thread.joinable())
    m_thread.detach();
}

void TThread::Start() {
  try {
    m_thread = std::thread([this] { Run(); });
  } catch (const std::system_error& error) {
    throw EThread(std::string("Thread creation error: ") + error.what());
  }
  if (FreeOnTerminate)
    m_thread.detach();
}

void TThread::WaitFor() {
  if (m_thread.joinable())
    m_thread.join();
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    // The body's own failures end the body; nothing leaves the thread.
  }
  try {
    Synchronize([this] {
      if (OnTerminate)
        OnTerminate(this);
    });
  } catch (...) {
    // A completion notification that fails, or an application that has gone, changes nothing.
  }
  if (FreeOnTerminate)
    delete this;
}

} // namespace platform
