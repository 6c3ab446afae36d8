#pragma once

// How a worker's hand-off wakes the user-interface thread; one implementation per system.

namespace platform {

// Readies the calling thread, the user-interface thread, to be woken. Called without the
// hand-off list's lock: readying may run the thread's pending messages, which may hand off.
void PrepareWake();
// Wakes the user-interface thread so that it runs the waiting hand-offs; called with the lock
// held.
void WakeMainThread();
// Stops the wake-ups, the user-interface thread will not run hand-offs again; called with the
// lock held, on the user-interface thread.
void EndWake();

} // namespace platform
