#pragma once

namespace controls {
class TKvProgressBar;
}

namespace app {

// Gives the progress bar the stored values of the main window's KvProgressBar1 (placed at
// 0, 162, 409 × 24), in their stored order.
void ApplyWindowProgressBarValues(controls::TKvProgressBar& bar);

} // namespace app
