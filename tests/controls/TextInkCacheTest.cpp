// The ink of texts drawn lately, kept by font, text, rectangle, layout and dpi.
#include "controls/TextInkCache.h"

#include <gtest/gtest.h>

namespace {

using controls::TTextInkCache;
using platform::TFontSpec;
using platform::TRect;

// A renderer that counts its calls and gives ink that tells the calls apart.
struct CountingRender {
  int calls = 0;
  TTextInkCache::TRender Function() {
    return [this](const TFontSpec&, std::string_view text, const TRect& rect, unsigned, int) {
      ++calls;
      return std::vector<std::uint8_t>(
          static_cast<std::size_t>(rect.Width() * rect.Height()),
          static_cast<std::uint8_t>(text.size() + static_cast<std::size_t>(calls)));
    };
  }
};

const TFontSpec Font{"Tahoma", 12, false, false};

TEST(TextInkCache, TheSameTextIsRenderedOnce) {
  CountingRender render;
  TTextInkCache cache(render.Function());
  const std::vector<std::uint8_t> first = cache.Ink(Font, "Dosya Boyutu :", {0, 0, 80, 13}, 0, 96);
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(cache.Ink(Font, "Dosya Boyutu :", {0, 0, 80, 13}, 0, 96), first);
  EXPECT_EQ(render.calls, 1);
  EXPECT_EQ(first.size(), 80u * 13u);
}

TEST(TextInkCache, AnyDifferenceIsAnotherText) {
  const struct {
    const char* what;
    TFontSpec font;
    const char* text;
    TRect rect;
    unsigned flags;
    int dpi;
  } cases[] = {
      {"text", Font, "1026 Kb", {0, 0, 40, 13}, 0, 96},
      {"font name", {"DejaVu Sans", 12, false, false}, "1025 Kb", {0, 0, 40, 13}, 0, 96},
      {"height", {"Tahoma", 11, false, false}, "1025 Kb", {0, 0, 40, 13}, 0, 96},
      {"bold", {"Tahoma", 12, true, false}, "1025 Kb", {0, 0, 40, 13}, 0, 96},
      {"underline", {"Tahoma", 12, false, true}, "1025 Kb", {0, 0, 40, 13}, 0, 96},
      {"rectangle", Font, "1025 Kb", {0, 1, 40, 14}, 0, 96},
      {"size", Font, "1025 Kb", {0, 0, 41, 13}, 0, 96},
      {"flags", Font, "1025 Kb", {0, 0, 40, 13}, platform::tfCenter, 96},
      {"dpi", Font, "1025 Kb", {0, 0, 40, 13}, 0, 144},
  };
  for (const auto& c : cases) {
    CountingRender render;
    TTextInkCache cache(render.Function());
    cache.Ink(Font, "1025 Kb", {0, 0, 40, 13}, 0, 96);
    cache.Ink(c.font, c.text, c.rect, c.flags, c.dpi);
    EXPECT_EQ(render.calls, 2) << c.what;
    cache.Ink(Font, "1025 Kb", {0, 0, 40, 13}, 0, 96);
    cache.Ink(c.font, c.text, c.rect, c.flags, c.dpi);
    EXPECT_EQ(render.calls, 2) << c.what << ": both kept";
  }
}

TEST(TextInkCache, TheLeastRecentlyUsedGoesPastTheLimitOfTexts) {
  CountingRender render;
  TTextInkCache cache(render.Function(), 3);
  for (const char* text : {"a", "b", "c"})
    cache.Ink(Font, text, {0, 0, 4, 4}, 0, 96);
  cache.Ink(Font, "a", {0, 0, 4, 4}, 0, 96); // "b" is now the oldest
  cache.Ink(Font, "d", {0, 0, 4, 4}, 0, 96);
  EXPECT_EQ(cache.Texts(), 3u);
  EXPECT_EQ(render.calls, 4);
  cache.Ink(Font, "a", {0, 0, 4, 4}, 0, 96);
  cache.Ink(Font, "c", {0, 0, 4, 4}, 0, 96);
  EXPECT_EQ(render.calls, 4) << "a and c stayed";
  cache.Ink(Font, "b", {0, 0, 4, 4}, 0, 96);
  EXPECT_EQ(render.calls, 5) << "b went";
}

TEST(TextInkCache, TheLeastRecentlyUsedGoesPastTheLimitOfBytes) {
  CountingRender render;
  TTextInkCache cache(render.Function(), 64, 1000);
  cache.Ink(Font, "a", {0, 0, 20, 20}, 0, 96); // 400 bytes
  cache.Ink(Font, "b", {0, 0, 20, 20}, 0, 96); // 800
  cache.Ink(Font, "c", {0, 0, 20, 20}, 0, 96); // 1200: "a" goes
  EXPECT_EQ(cache.Texts(), 2u);
  EXPECT_EQ(cache.Bytes(), 800u);
  // A text larger than the whole cache is drawn all the same, and kept alone.
  EXPECT_EQ(cache.Ink(Font, "big", {0, 0, 40, 40}, 0, 96).size(), 1600u);
  EXPECT_EQ(cache.Texts(), 1u);
}

} // namespace
