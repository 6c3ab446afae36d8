// Contrast as the accessibility guidelines measure it, and the choice of a readable colour when
// the user's scheme makes a fixed one unreadable.
#include "controls/Colors.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;

TEST(Contrast, RatiosOfKnownPairs) {
  const struct {
    TColor a, b;
    double ratio;
  } pairs[] = {
      {clBlack, clWhite, 21.0},
      {clWhite, clBlack, 21.0},
      {RGB(128, 128, 128), RGB(128, 128, 128), 1.0},
      {RGB(118, 118, 118), clWhite, 4.54}, // the lightest grey that passes on white
      {RGB(119, 119, 119), clWhite, 4.48},
      {RGB(0, 0, 255), clWhite, 8.59},
      {clPurple, clBlack, 2.23},
      {RGB(255, 255, 0), clBlack, 19.56},
  };
  for (const auto& pair : pairs)
    EXPECT_NEAR(ContrastRatio(pair.a, pair.b), pair.ratio, 0.01) << std::hex << pair.a;
}

TEST(Contrast, AReadableColourIsKeptAndAnUnreadableOneReplaced) {
  const TColor yellow = RGB(255, 255, 0);
  const TColor darkBlue = RGB(10, 36, 106);
  const TColor face = RGB(212, 208, 200);
  const struct {
    const char* name;
    TColor ink;
    std::vector<TColor> backdrop;
    std::vector<TColor> alternatives;
    TColor expected;
  } cases[] = {
      {"readable: kept", darkBlue, {face}, {yellow}, darkBlue},
      {"purple on black: the first readable alternative",
       clPurple,
       {clBlack},
       {darkBlue, yellow},
       yellow},
      {"no alternative readable: white on black", clPurple, {clBlack}, {darkBlue}, clWhite},
      {"no alternative readable: black on white", RGB(200, 200, 200), {clWhite}, {}, clBlack},
      {"every colour of a gradient counts", darkBlue, {face, RGB(20, 20, 60)}, {}, clWhite},
      {"no backdrop known: kept", clPurple, {}, {yellow}, clPurple},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadableColor(c.ink, c.backdrop, TextContrast, c.alternatives), c.expected) << c.name;
}

} // namespace
