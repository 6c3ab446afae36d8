// TCanvas's text, through the platform's text engine.
#include "controls/Canvas.h"
#include "controls/TextInkCache.h"

namespace controls {

TRect TCanvas::DrawText(std::string_view text, const TRect& rect, unsigned flags,
                        const platform::TFontSpec& font, TColor color) {
  if (flags & tfCalcRect)
    return platform::TextEngine().Measure(font, text, rect, flags);
  const TRect device = ToDevice(rect);
  if (rect.IsEmpty() || device.Intersected(m_clip).IsEmpty())
    return rect;
  // The engine lays the text out in the device rectangle; where it lies does not change the ink.
  const std::vector<std::uint8_t>& ink =
      TextInkCache().Ink(font, text, {0, 0, device.Width(), device.Height()}, flags, m_dpi);
  DrawInk(device, ink.data(), ToPixel(color));
  return rect;
}

TSize TCanvas::TextExtent(std::string_view text, const platform::TFontSpec& font) {
  const TRect bounds = platform::TextEngine().Measure(font, text, {0, 0, 1 << 20, 1 << 20},
                                                      tfSingleLine | tfNoPrefix);
  return {bounds.Width(), TextHeight(font)};
}

int TextHeight(const platform::TFontSpec& font) {
  return platform::TextEngine().Metrics(font).Height;
}

TRect TTextMeasure::Measure(std::string_view text, const TRect& rect, unsigned flags) const {
  return platform::TextEngine().Measure(m_font, text, rect, flags);
}

} // namespace controls
