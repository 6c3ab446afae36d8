#pragma once

namespace platform {

// Whether a thread message is the hand-off's wake-up, posted to the user-interface thread when
// a worker waits for it there.
bool IsWakeMessage(unsigned message);

} // namespace platform
