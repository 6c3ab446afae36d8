#pragma once

#include <QByteArray>
#include <QFont>

namespace platform {

// Registers the Tahoma of fonts-wine (/usr/share/wine/fonts) once; true when it is there.
// Without it the window's fonts fall back to the default sans.
bool RegisterWindowFonts();

// The window's font at a pixel size: Tahoma (or the default sans), as given.
QFont WindowFont(int pixelSize, bool bold = false, bool underline = false);

// The regular Tahoma of fonts-wine as the window draws it: every glyph from its outlines. The
// file's embedded bitmaps cover only some sizes and, at each, only some letters (not "İ" or
// "ı" at 12 pixels), so drawn unsmoothed a caption mixed bitmap and outline letters. Its "İ"
// outline, a bare bar at the left of the serifed "I"'s advance, is rebuilt from the font's own
// "I" and dot accent. Data that is no TrueType font comes back unchanged.
QByteArray OutlineOnlyFont(QByteArray font);

} // namespace platform
