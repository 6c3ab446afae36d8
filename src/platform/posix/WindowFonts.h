#pragma once

#include <QByteArray>
#include <QFont>

namespace platform {

// Registers the Tahoma of fonts-wine (/usr/share/wine/fonts) once; true when it is there.
// Without it the window's fonts fall back to the default sans.
bool RegisterWindowFonts();

// The window's font at a pixel size: Tahoma (or the default sans), as given.
QFont WindowFont(int pixelSize, bool bold = false, bool underline = false);

// The regular Tahoma of fonts-wine as the window draws it: platform::OutlineOnlyFont
// (platform/FontRepair.h) on the toolkit's bytes.
QByteArray OutlineOnlyFont(QByteArray font);

} // namespace platform
