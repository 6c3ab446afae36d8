#pragma once

#include "platform/Geometry.h"
#include "platform/TextEngine.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace controls {

// The ink of the texts drawn lately, by font, text, device rectangle, layout and dpi: a caption
// painted again (its control repainted because a neighbour or the bar beside it changed) is
// not laid out, rasterised and emboldened again. The least recently used text goes first when
// the cache holds more texts or bytes than its limits.
class TTextInkCache {
public:
  using TRender = std::function<std::vector<std::uint8_t>(
      const platform::TFontSpec& font, std::string_view text, const platform::TRect& rect,
      unsigned flags, int dpi)>;

  static constexpr std::size_t DefaultTexts = 64;
  static constexpr std::size_t DefaultBytes = 4u << 20;

  // Renders through `render` (the platform's text engine when empty).
  explicit TTextInkCache(TRender render = {}, std::size_t maxTexts = DefaultTexts,
                         std::size_t maxBytes = DefaultBytes);

  // The ink as TTextEngine::Render gives it; valid until the next call.
  const std::vector<std::uint8_t>& Ink(const platform::TFontSpec& font, std::string_view text,
                                       const platform::TRect& rect, unsigned flags, int dpi);

  std::size_t Texts() const { return m_entries.size(); }
  std::size_t Bytes() const { return m_bytes; }

private:
  struct TEntry {
    std::size_t hash = 0;
    platform::TFontSpec font;
    std::string text;
    platform::TRect rect;
    unsigned flags = 0;
    int dpi = 96;
    std::vector<std::uint8_t> ink;
    std::uint64_t used = 0;
  };

  void MakeRoom(std::size_t bytes);

  TRender m_render;
  std::size_t m_maxTexts;
  std::size_t m_maxBytes;
  std::vector<TEntry> m_entries;
  std::size_t m_bytes = 0;
  std::uint64_t m_clock = 0;
};

// The cache the canvas draws its text through; made on first use. Call it on the
// user-interface thread only, as the text engine.
TTextInkCache& TextInkCache();

} // namespace controls
