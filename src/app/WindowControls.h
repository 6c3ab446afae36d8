#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace controls {
class TKvProgressBar;
}

namespace app {

// Gives the progress bar the stored values of the main window's KvProgressBar1 (placed at
// 0, 162, 409 × 24), in their stored order.
void ApplyWindowProgressBarValues(controls::TKvProgressBar& bar);

// Where a window whose client area is `client` goes so that it, with its `frame`, is centred on
// `screen`: the position of the frame's top-left corner.
QPoint CentredWindowPosition(const QRect& screen, const QSize& client, const QMargins& frame);

} // namespace app
