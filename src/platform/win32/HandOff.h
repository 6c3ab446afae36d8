#pragma once

namespace platform {

// Whether a message is the hand-off's wake-up, posted to the user-interface thread's wake
// window when a worker waits for it there (dispatching it runs the waiting hand-offs).
bool IsWakeMessage(unsigned message);

} // namespace platform
