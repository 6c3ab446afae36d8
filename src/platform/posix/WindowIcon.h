#pragma once

#include <QIcon>
#include <QImage>

namespace platform {

// The program's icon, our own artwork: a radio with a download arrow, drawn at 256, 128, 48, 32
// and 16 pixels.
QImage IconImage(int size);
QIcon ProgramIcon();

} // namespace platform
