#pragma once

#include "platform/TextEngine.h"

#include <QFont>
#include <QImage>

namespace platform {

// The font a TFontSpec names, as the toolkit knows it: "Tahoma" is the window's font
// (WindowFont), any other family is taken as it is; always unsmoothed and fully hinted.
QFont ToQFont(const TFontSpec& fontSpec);
// The TFontSpec of a toolkit font: its family, its size in pixels, bold from demibold up.
TFontSpec ToFontSpec(const QFont& font);

// The font as the engine draws it: no anti-aliasing, full hinting (whole-pixel advances); a bold
// font whose family has no bold face (the window's Tahoma) becomes its regular face with wider
// letter spacing, which the engine fills by widening the strokes (WidenStrokes).
QFont PixelFont(const QFont& font);

// How many pixels a bold font is widened by when its family has no bold face of its own; 0
// for a regular font or a family with a real bold face.
int SyntheticBoldWidth(const QFont& font);

// Widens the ink of a text mask (alpha over half) to the right by `pixels` device pixels, as a
// synthetic bold does, without closing a one-pixel gap between two inks.
void WidenStrokes(QImage& mask, int pixels);

// The toolkit's text flags for TextFlag bits.
int QtTextFlags(unsigned flags);

} // namespace platform
