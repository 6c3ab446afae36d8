#pragma once

#include "platform/DeviceScale.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How text is laid out in its rectangle.
enum TextFlag : unsigned {
  tfLeft = 0,
  tfCenter = 1,
  tfRight = 2,
  tfVCenter = 4,
  tfSingleLine = 8,
  tfWordBreak = 16,
  tfExpandTabs = 32,
  tfNoPrefix = 64, // without it, '&' marks the next character (underlined) and "&&" is one '&'
  tfCalcRect = 128,
};

// A font as the controls name it. The engine draws it unsmoothed on whole pixels; a family
// without a bold face is drawn bold by widening its regular strokes.
struct TFontSpec {
  std::string Name = "Tahoma"; // family, UTF-8
  int Height = 11;             // pixel size of the em
  bool Bold = false;
  bool Underline = false;
  bool operator==(const TFontSpec&) const = default;
};

// One line of text in a font, in pixels: the baseline lies Ascent below the line's top.
struct TTextMetrics {
  int Ascent = 0;
  int Height = 0;
  bool operator==(const TTextMetrics&) const = default;
};

// The font as drawn at `dpi`: its height scaled and rounded to the nearest pixel.
inline TFontSpec ScaledFont(TFontSpec font, int dpi) {
  const long long scaled = (static_cast<long long>(font.Height) * dpi + 48) / 96;
  font.Height = static_cast<int>(scaled > 0 ? scaled : 1);
  return font;
}

// The platform's text engine: the toolkit's on Linux, GDI on Windows. Texts are UTF-8.
class TTextEngine {
public:
  virtual ~TTextEngine() = default;

  virtual TTextMetrics Metrics(const TFontSpec& font) = 0;

  // The rectangle the text needs when laid out in `rect` with `flags` (TextFlag bits): its
  // top-left corner is the rectangle's, its width the widest line's, its height whole lines.
  virtual TRect Measure(const TFontSpec& font, std::string_view text, const TRect& rect,
                        unsigned flags) = 0;

  // The ink of the text at `dpi` (dots per 96 pixels, see DeviceScale.h) laid out in `rect`,
  // a rectangle of device pixels, and clipped to it: drawn in DeviceFont, never a picture
  // stretched. One byte per device pixel (0 no ink, 255 ink), rect.Width() per row,
  // rect.Height() rows, the first row at the rectangle's top.
  virtual std::vector<std::uint8_t> Render(const TFontSpec& font, std::string_view text,
                                           const TRect& rect, unsigned flags, int dpi) = 0;

  // The font that draws `font` at `dpi`: its height scaled to the nearest pixel (ScaledFont),
  // less a pixel at a time while its line is taller than the fewest device pixels a layout line
  // covers (the scaled line rounded down). A label is one layout line high, and a font's line,
  // rounded at each size, grows faster than the scale at some sizes (Tahoma at 12 pixels: 14;
  // at 18: 22, not 21); the descenders would be cut.
  TFontSpec DeviceFont(const TFontSpec& font, int dpi) {
    TFontSpec scaled = ScaledFont(font, dpi);
    const int line = static_cast<int>(static_cast<long long>(Metrics(font).Height) * dpi / BaseDpi);
    while (scaled.Height > 1 && Metrics(scaled).Height > line)
      --scaled.Height;
    return scaled;
  }
};

// The engine of this platform; made on first use, alive until the process ends. Call it on
// the user-interface thread only.
TTextEngine& TextEngine();

} // namespace platform
