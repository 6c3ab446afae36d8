#pragma once

// The Windows internet layer's threads that send a request and wait for its answer's head, for
// tests: how many are running now. A send given up at the stall limit is cancelled and waited
// for briefly; only one that WinINet does not let go of stays running.
namespace platform::inet {

int SendThreadsRunning();

} // namespace platform::inet
