#pragma once

#include <string>
#include <string_view>

namespace platform {

// Repairs of a TrueType font file held in a string of bytes; pure, without any window toolkit.
// Data that is no TrueType font comes back unchanged.

// The Tahoma of fonts-wine (regular or bold file) as the window draws it: every glyph from its
// outlines. The files' embedded bitmaps cover only some sizes and, at each, only some letters
// (not "İ" or "ı" at 12 pixels), so drawn unsmoothed a caption mixed bitmap and outline letters,
// and laid out with the bitmaps' advances it was drawn wider than measured. Its "İ" outline, a
// bare bar at the left of the serifed "I"'s advance, is rebuilt from the font's own "I" and dot
// accent.
std::string OutlineOnlyFont(std::string font);

// The font under another family name: its family, typographic family and full names become
// `family`, so that a private copy does not stand in for the system's own face of that name.
std::string RenamedFont(std::string font, std::string_view family);

// The font's PostScript name (ASCII); empty when it has none.
std::string PostScriptName(std::string_view font);

// Whether the font carries embedded bitmap glyphs.
bool HasEmbeddedBitmaps(std::string_view font);

} // namespace platform
