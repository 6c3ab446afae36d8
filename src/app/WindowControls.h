#pragma once

#include "platform/Geometry.h"

namespace controls {
class TKvProgressBar;
}

namespace app {

// Gives the progress bar the stored values of the main window's KvProgressBar1 (placed at
// 0, 162, 409 × 24), in their stored order.
void ApplyWindowProgressBarValues(controls::TKvProgressBar& bar);

// Where a window whose client area is `client` goes so that it, with its frame (the widths of
// its `frame` on each side), is centred on `screen`: the position of the frame's top-left
// corner.
platform::TPoint CentredWindowPosition(const platform::TRect& screen, platform::TSize client,
                                       const platform::TRect& frame);

} // namespace app
