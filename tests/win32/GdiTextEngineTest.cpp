// The text engine on Windows: GDI's Tahoma, unsmoothed, laid out as DrawTextW lays it out.
#include "platform/win32/GdiTextEngine.h"

#include "platform/DeviceScale.h"
#include "platform/TextEngine.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using platform::TextEngine;
using platform::TFontSpec;
using platform::TRect;

const TFontSpec Regular11{"Tahoma", 11, false, false};
const TFontSpec Bold13{"Tahoma", 13, true, false};

// What Render gives, with the questions the tests ask of it.
struct TInk {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Bytes;

  // The text laid out in `rect` (layout pixels) at `dpi`.
  TInk(const TFontSpec& font, std::string_view text, const TRect& rect, unsigned flags,
       int dpi = platform::BaseDpi)
      : Width(platform::DeviceRect(rect, dpi).Width()),
        Height(platform::DeviceRect(rect, dpi).Height()),
        Bytes(TextEngine().Render(font, text, platform::DeviceRect(rect, dpi), flags, dpi)) {}

  bool At(int x, int y) const { return Bytes[static_cast<std::size_t>(y) * Width + x] != 0; }
  int Count() const {
    return static_cast<int>(std::count_if(Bytes.begin(), Bytes.end(), [](auto b) { return b; }));
  }
  // The smallest rectangle holding all the ink; empty when there is none.
  TRect Box() const { return BoxIn({0, 0, Width, Height}); }
  TRect BoxIn(const TRect& area) const {
    TRect box{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x)
        if (At(x, y))
          box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                 std::max(box.Bottom, y + 1)};
    return box;
  }
};

int MeasuredWidth(const TFontSpec& font, std::string_view text, unsigned flags = 0) {
  return TextEngine().Measure(font, text, {0, 0, 1000, 100}, flags).Width();
}

std::vector<std::string> Letters(std::string_view text) {
  std::vector<std::string> letters;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    while (i + length < text.size() &&
           (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80)
      ++length;
    letters.emplace_back(text.substr(i, length));
    i += length;
  }
  return letters;
}

TEST(WinTextEngine, EveryTurkishLetterHasInkAndAnAdvance) {
  for (const TFontSpec& font : {Regular11, Bold13}) {
    for (const std::string& letter : Letters("İıĞğŞşÜüÖöÇç")) {
      SCOPED_TRACE(letter + (font.Bold ? " bold" : " regular"));
      EXPECT_GT(MeasuredWidth(font, letter), 0);
      EXPECT_GT(TInk(font, letter, {0, 0, 30, 20}, 0).Count(), 0);
    }
  }
}

TEST(WinTextEngine, TheDottedAndDotlessLettersAreTheirOwnGlyphs) {
  const TRect cell{0, 0, 20, 20};
  // Each pair differs by a mark above (or below) its base letter: a font without the letter
  // would draw both alike or draw a box.
  struct Pair {
    const char* marked;
    const char* plain;
    bool above;
  };
  for (const TFontSpec& font : {Regular11, TFontSpec{"Tahoma", 12, false, false},
                                TFontSpec{"Tahoma", 12, true, false}, Bold13}) {
    for (const Pair pair : {Pair{"İ", "I", true}, Pair{"i", "ı", true}, Pair{"Ğ", "G", true},
                            Pair{"ğ", "g", true}, Pair{"Ü", "U", true}, Pair{"ö", "o", true},
                            Pair{"Ş", "S", false}, Pair{"ç", "c", false}}) {
      SCOPED_TRACE(std::string(pair.marked) + " / " + pair.plain + " at " +
                   std::to_string(font.Height) + (font.Bold ? " bold" : ""));
      const TRect marked = TInk(font, pair.marked, cell, 0).Box();
      const TRect plain = TInk(font, pair.plain, cell, 0).Box();
      if (pair.above)
        EXPECT_LT(marked.Top, plain.Top);
      else
        EXPECT_GT(marked.Bottom, plain.Bottom);
      EXPECT_GE(MeasuredWidth(font, pair.marked), MeasuredWidth(font, pair.plain));
    }
  }
}

TEST(WinTextEngine, TextIsDrawnUnsmoothed) {
  const TInk ink(Bold13, "Dosya İndirme Sayfası", {0, 0, 200, 20}, 0);
  ASSERT_GT(ink.Count(), 0);
  EXPECT_TRUE(
      std::all_of(ink.Bytes.begin(), ink.Bytes.end(), [](auto b) { return b == 0 || b == 255; }));
}

TEST(WinTextEngine, BoldIsWiderAndDarkerThanRegular) {
  for (const int height : {11, 12, 13}) {
    SCOPED_TRACE(height);
    const TFontSpec regular{"Tahoma", height, false, false};
    const TFontSpec bold{"Tahoma", height, true, false};
    const char* text = "Dosya İndirme Sayfası";
    EXPECT_GT(MeasuredWidth(bold, text), MeasuredWidth(regular, text));
    // Every stroke is wider, not only the spacing: a quarter more ink at the least.
    EXPECT_GE(TInk(bold, text, {0, 0, 300, 20}, 0).Count() * 4,
              TInk(regular, text, {0, 0, 300, 20}, 0).Count() * 5);
    // A bold face of the same family keeps the line's size.
    EXPECT_EQ(TextEngine().Metrics(bold), TextEngine().Metrics(regular));
  }
}

TEST(WinTextEngine, OneLineIsMetricsHeightHighAndTheInkSitsOnTheBaseline) {
  for (const int height : {11, 12, 13}) {
    SCOPED_TRACE(height);
    const TFontSpec font{"Tahoma", height, false, false};
    const platform::TTextMetrics metrics = TextEngine().Metrics(font);
    EXPECT_GT(metrics.Ascent, 0);
    EXPECT_GT(metrics.Height, metrics.Ascent);
    const TRect measured = TextEngine().Measure(font, "Tamam", {5, 7, 500, 100}, 0);
    EXPECT_EQ(measured.Left, 5);
    EXPECT_EQ(measured.Top, 7);
    EXPECT_EQ(measured.Height(), metrics.Height);
    // "Tamam" has no descender: its last row of ink is the one above the baseline.
    EXPECT_EQ(TInk(font, "Tamam", {0, 0, 100, 30}, 0).Box().Bottom, metrics.Ascent);
  }
}

TEST(WinTextEngine, TheFlagsPlaceTheInkWhereTheySay) {
  const TRect rect{0, 0, 200, 40};
  const int width = MeasuredWidth(Regular11, "Tamam");
  const int lineHeight = TextEngine().Metrics(Regular11).Height;
  struct Case {
    const char* name;
    unsigned flags;
    int left;    // where the text's cell starts
    int lineTop; // where its line starts
  };
  using namespace platform;
  for (const Case c : {Case{"left", tfSingleLine, 0, 0},
                       Case{"centre", tfSingleLine | tfCenter, (200 - width) / 2, 0},
                       Case{"right", tfSingleLine | tfRight, 200 - width, 0},
                       Case{"middle", tfSingleLine | tfVCenter, 0, (40 - lineHeight) / 2},
                       Case{"centre and middle", tfSingleLine | tfCenter | tfVCenter,
                            (200 - width) / 2, (40 - lineHeight) / 2}}) {
    SCOPED_TRACE(c.name);
    const TRect box = TInk(Regular11, "Tamam", rect, c.flags).Box();
    const TRect atOrigin = TInk(Regular11, "Tamam", rect, tfSingleLine).Box();
    EXPECT_NEAR(box.Left, c.left + atOrigin.Left, 1);
    EXPECT_NEAR(box.Top, c.lineTop + atOrigin.Top, 1);
    EXPECT_EQ(box.Width(), atOrigin.Width());
    // Wherever the text goes, its measure starts at the rectangle's corner.
    EXPECT_EQ(TextEngine().Measure(Regular11, "Tamam", rect, c.flags),
              (TRect{0, 0, width, lineHeight}));
  }
}

TEST(WinTextEngine, WordBreakWrapsAtASpaceIntoWholeLines) {
  using namespace platform;
  const int lineHeight = TextEngine().Metrics(Regular11).Height;
  const int first = MeasuredWidth(Regular11, "İndirilen");
  const int whole = MeasuredWidth(Regular11, "İndirilen Boyut");
  // Room for the first word, not for both.
  const TRect rect{0, 0, first + 4, 3 * lineHeight};
  ASSERT_LT(rect.Width(), whole);

  const TRect measured = TextEngine().Measure(Regular11, "İndirilen Boyut", rect, tfWordBreak);
  EXPECT_EQ(measured.Height(), 2 * lineHeight);
  // GDI counts the spaces at the break that still fit on the line.
  EXPECT_GE(measured.Width(), first);
  EXPECT_LE(measured.Width(), rect.Width());
  EXPECT_EQ(TextEngine().Measure(Regular11, "İndirilen Boyut", rect, 0).Height(), lineHeight);

  const TInk ink(Regular11, "İndirilen Boyut", rect, tfWordBreak);
  const TRect firstLine = ink.BoxIn({0, 0, rect.Width(), lineHeight});
  const TRect secondLine = ink.BoxIn({0, lineHeight, rect.Width(), 2 * lineHeight});
  EXPECT_FALSE(firstLine.IsEmpty());
  EXPECT_FALSE(secondLine.IsEmpty());
  EXPECT_LE(secondLine.Left, 1);
  EXPECT_TRUE(ink.BoxIn({0, 2 * lineHeight, rect.Width(), rect.Height()}).IsEmpty());
}

TEST(WinTextEngine, TabsExpandOnlyWithTheFlag) {
  using namespace platform;
  EXPECT_GT(MeasuredWidth(Regular11, "A\tB", tfExpandTabs), MeasuredWidth(Regular11, "AB") + 10);
}

TEST(WinTextEngine, AnAmpersandMarksTheAcceleratorUnlessNoPrefix) {
  using namespace platform;
  const TRect rect{0, 0, 100, 20};
  const int ascent = TextEngine().Metrics(Regular11).Ascent;
  EXPECT_EQ(MeasuredWidth(Regular11, "&Tamam"), MeasuredWidth(Regular11, "Tamam"));
  EXPECT_GT(MeasuredWidth(Regular11, "&Tamam", tfNoPrefix), MeasuredWidth(Regular11, "Tamam"));

  // The marked letter is underlined below the baseline, and nothing else changes.
  const TInk marked(Regular11, "&Tamam", rect, 0);
  const TInk plain(Regular11, "Tamam", rect, 0);
  const int letterT = MeasuredWidth(Regular11, "T");
  TRect changed{rect.Right, rect.Bottom, 0, 0};
  for (int y = 0; y < rect.Height(); ++y)
    for (int x = 0; x < rect.Width(); ++x)
      if (marked.At(x, y) != plain.At(x, y))
        changed = {std::min(changed.Left, x), std::min(changed.Top, y),
                   std::max(changed.Right, x + 1), std::max(changed.Bottom, y + 1)};
  ASSERT_FALSE(changed.IsEmpty());
  EXPECT_GE(changed.Top, ascent);
  EXPECT_LE(changed.Right, letterT);
  EXPECT_GE(changed.Width(), letterT / 2);

  // "&&" is one '&'; with tfNoPrefix every '&' is drawn as it is.
  EXPECT_EQ(TInk(Regular11, "A&&B", rect, 0).Bytes, TInk(Regular11, "A&B", rect, tfNoPrefix).Bytes);
  EXPECT_EQ(MeasuredWidth(Regular11, "A&&B"), MeasuredWidth(Regular11, "A&B", tfNoPrefix));
  EXPECT_GT(MeasuredWidth(Regular11, "A&&B", tfNoPrefix),
            MeasuredWidth(Regular11, "A&B", tfNoPrefix));
  const TInk kept(Regular11, "&Tamam", rect, tfNoPrefix);
  EXPECT_TRUE(kept.BoxIn({0, ascent, rect.Width(), rect.Height()}).IsEmpty());
}

TEST(WinTextEngine, AnUnderlinedFontUnderlinesTheWholeText) {
  const TFontSpec underlined{"Tahoma", 11, false, true};
  const int ascent = TextEngine().Metrics(Regular11).Ascent;
  const TInk ink(underlined, "Tamam", {0, 0, 100, 20}, 0);
  const TRect below = ink.BoxIn({0, ascent, 100, 20});
  EXPECT_FALSE(below.IsEmpty());
  EXPECT_GE(below.Width(), MeasuredWidth(Regular11, "Tamam") - 1);
  EXPECT_TRUE(TInk(Regular11, "Tamam", {0, 0, 100, 20}, 0).BoxIn({0, ascent, 100, 20}).IsEmpty());
}

TEST(WinTextEngine, AScaledRenderIsLargerByTheScaleEachWay) {
  const TRect rect{10, 20, 130, 40};
  const std::string text = "İndirilen Boyut :";
  const TInk once(Regular11, text, rect, 0);
  const TRect small = once.Box();
  for (const int dpi : {120, 144, 168, 192}) {
    SCOPED_TRACE(dpi);
    const TInk scaled(Regular11, text, rect, 0, dpi);
    const TRect device = platform::DeviceRect(rect, dpi);
    ASSERT_EQ(scaled.Bytes.size(), static_cast<std::size_t>(device.Width() * device.Height()));
    // The text is drawn in the device font, the scaled size or a pixel or two less.
    const double factor = TextEngine().DeviceFont(Regular11, dpi).Height / 11.0;
    EXPECT_GE(factor, (dpi - 24) / 96.0);
    const TRect large = scaled.Box();
    EXPECT_NEAR(large.Width(), factor * small.Width(), small.Width() / 5);
    EXPECT_NEAR(large.Height(), factor * small.Height(), small.Height() / 5 + 1);
    EXPECT_GT(scaled.Count(), 0.9 * factor * once.Count());
  }
}

TEST(WinTextEngine, TheInkIsClippedToTheRectangle) {
  // A rectangle narrower than the text: the ink reaches its right edge and no further.
  const TRect rect{0, 0, 20, 14};
  const TInk ink(Bold13, "Dosya İndirme Sayfası", rect, platform::tfSingleLine);
  ASSERT_EQ(ink.Bytes.size(), static_cast<std::size_t>(20 * 14));
  EXPECT_GE(ink.Box().Right, 18);
}

TEST(WinTextEngine, NothingToDrawGivesNoInk) {
  EXPECT_TRUE(TextEngine().Render(Regular11, "Tamam", {0, 0, 0, 20}, 0, 96).empty());
  EXPECT_TRUE(TextEngine().Render(Regular11, "Tamam", {10, 0, 5, 20}, 0, 96).empty());
  EXPECT_TRUE(TextEngine().Render(Regular11, "Tamam", {0, 0, 20, 20}, 0, 0).empty());
  EXPECT_EQ(TInk(Regular11, "", {0, 0, 20, 20}, 0).Count(), 0);
  EXPECT_EQ(TextEngine().Measure(Regular11, "", {3, 4, 50, 50}, 0).Width(), 0);
}

TEST(WinTextEngine, TheDottedCapitalIHasItsDotAtEverySize) {
  // The dot sits above the top of the plain "I", apart from its bar.
  for (const int height : {11, 12, 13}) {
    for (const bool bold : {false, true}) {
      const TFontSpec font{"Tahoma", height, bold, false};
      SCOPED_TRACE(std::to_string(height) + (bold ? " bold" : " regular"));
      const TRect dotted = TInk(font, "İ", {0, 0, 20, 24}, 0).Box();
      const TRect plain = TInk(font, "I", {0, 0, 20, 24}, 0).Box();
      EXPECT_LT(dotted.Top, plain.Top - 1);
      EXPECT_EQ(dotted.Bottom, plain.Bottom);
    }
  }
}

TEST(WinTextEngine, TheMeasureOfACaptionEndsWhereItsInkEnds) {
  struct Case {
    const char* text;
    int height;
    bool bold;
  };
  for (const Case c :
       {Case{"Dosya İndirme Sayfası", 12, true}, Case{"Dosya İndirme Sayfası", 13, true},
        Case{"Güncelleme Durum Bilgileri", 11, true}, Case{"İndirilen Boyut :", 11, false},
        Case{"İndirilen Boyut :", 12, true}}) {
    const TFontSpec font{"Tahoma", c.height, c.bold, false};
    const int measured = MeasuredWidth(font, c.text, platform::tfSingleLine);
    const int inkRight = TInk(font, c.text, {0, 0, 300, 24}, platform::tfSingleLine).Box().Right;
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.height) + (c.bold ? " bold" : "") +
                 ": measured " + std::to_string(measured) + ", ink to " + std::to_string(inkRight));
    EXPECT_LE(inkRight, measured);
    // Short of it by no more than the blank a last ':' keeps on its right.
    EXPECT_GE(inkRight, measured - 2);
  }
}

// A Wine that has fonts-wine's Tahoma as the system's own: the engine draws a repaired copy of
// the face GDI selects, whose "İ" has its dot at 12 pixels and whose bold captions are as wide
// as measured.
TEST(WinTextEngine, TheSystemsOwnWineTahomaIsDrawnRepaired) {
  std::ifstream file("Z:/usr/share/wine/fonts/tahoma.ttf", std::ios::binary);
  std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (data.empty())
    GTEST_SKIP() << "fonts-wine's Tahoma is not on the host";
  DWORD count = 0;
  const HANDLE installed =
      AddFontMemResourceEx(data.data(), static_cast<DWORD>(data.size()), nullptr, &count);
  ASSERT_NE(installed, nullptr);
  {
    platform::win32::TGdiTextEngine engine;
    const auto box = [&](const TFontSpec& font, const char* text) {
      const std::vector<std::uint8_t> ink = engine.Render(font, text, {0, 0, 300, 24}, 0, 96);
      TRect found{300, 24, 0, 0};
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 300; ++x)
          if (ink[static_cast<std::size_t>(y) * 300 + x])
            found = {std::min(found.Left, x), std::min(found.Top, y), std::max(found.Right, x + 1),
                     std::max(found.Bottom, y + 1)};
      return found;
    };
    for (const bool bold : {false, true}) {
      const TFontSpec font{"Tahoma", 12, bold, false};
      SCOPED_TRACE(bold ? "bold" : "regular");
      EXPECT_LT(box(font, "İ").Top, box(font, "I").Top - 1);
      const char* caption = "Dosya İndirme Sayfası";
      EXPECT_NEAR(box(font, caption).Right, engine.Measure(font, caption, {0, 0, 300, 24}, 0).Right,
                  1);
    }
  }
  RemoveFontMemResourceEx(installed);
}

} // namespace
