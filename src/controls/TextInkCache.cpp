#include "controls/TextInkCache.h"

#include <algorithm>

namespace controls {

namespace {

std::size_t HashOf(const platform::TFontSpec& font, std::string_view text,
                   const platform::TRect& rect, unsigned flags, int dpi) {
  std::size_t hash = std::hash<std::string_view>()(text);
  const auto mix = [&hash](std::size_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
  };
  mix(std::hash<std::string>()(font.Name));
  for (const int value :
       {font.Height, static_cast<int>(font.Bold), static_cast<int>(font.Underline), rect.Left,
        rect.Top, rect.Right, rect.Bottom, static_cast<int>(flags), dpi})
    mix(static_cast<std::size_t>(value));
  return hash;
}

} // namespace

TTextInkCache::TTextInkCache(TRender render, std::size_t maxTexts, std::size_t maxBytes)
    : m_render(std::move(render)), m_maxTexts(std::max<std::size_t>(maxTexts, 1)),
      m_maxBytes(maxBytes) {
  if (!m_render) {
    m_render = [](const platform::TFontSpec& font, std::string_view text,
                  const platform::TRect& rect, unsigned flags,
                  int dpi) { return platform::TextEngine().Render(font, text, rect, flags, dpi); };
  }
}

const std::vector<std::uint8_t>& TTextInkCache::Ink(const platform::TFontSpec& font,
                                                    std::string_view text,
                                                    const platform::TRect& rect, unsigned flags,
                                                    int dpi) {
  const std::size_t hash = HashOf(font, text, rect, flags, dpi);
  for (TEntry& entry : m_entries) {
    if (entry.hash == hash && entry.rect == rect && entry.flags == flags && entry.dpi == dpi &&
        entry.text == text && entry.font == font) {
      entry.used = ++m_clock;
      return entry.ink;
    }
  }
  std::vector<std::uint8_t> ink = m_render(font, text, rect, flags, dpi);
  MakeRoom(ink.size());
  m_bytes += ink.size();
  m_entries.push_back({hash, font, std::string(text), rect, flags, dpi, std::move(ink), ++m_clock});
  return m_entries.back().ink;
}

void TTextInkCache::MakeRoom(std::size_t bytes) {
  while (!m_entries.empty() && (m_entries.size() >= m_maxTexts || m_bytes + bytes > m_maxBytes)) {
    const auto oldest =
        std::min_element(m_entries.begin(), m_entries.end(),
                         [](const TEntry& a, const TEntry& b) { return a.used < b.used; });
    m_bytes -= oldest->ink.size();
    *oldest = std::move(m_entries.back());
    m_entries.pop_back();
  }
}

TTextInkCache& TextInkCache() {
  // Never destroyed, as the text engine it draws through.
  static TTextInkCache* const cache = new TTextInkCache;
  return *cache;
}

} // namespace controls
