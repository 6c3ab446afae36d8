#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace controls {

// A colour: RGB 0x00BBGGRR (red in the low byte), or a system colour 0xFF000000 + index that
// is resolved when drawing.
using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnShadow = 0xFF000010;
inline constexpr TColor clGrayText = 0xFF000011;
inline constexpr TColor clBtnHighlight = 0xFF000014;
inline constexpr TColor cl3DDkShadow = 0xFF000015;
inline constexpr TColor clHotLight = 0xFF00001A;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clPurple = 0x00800080;
inline constexpr TColor clBlack = 0x00000000;

constexpr TColor RGB(int red, int green, int blue) {
  return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int GetRValue(TColor color) {
  return static_cast<int>(color & 0xFF);
}
constexpr int GetGValue(TColor color) {
  return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int GetBValue(TColor color) {
  return static_cast<int>((color >> 16) & 0xFF);
}
constexpr bool IsSystemColor(TColor color) {
  return (color & 0xFF000000u) == 0xFF000000u;
}

// Where system colours come from: the application's palette, or a fixed table of RGB values by
// index (the classic scheme, which tests and rendered pictures pin).
enum class ColorScheme { Palette, Classic };
void SetColorScheme(ColorScheme scheme);
ColorScheme CurrentColorScheme();
// The RGB value of a system colour index in the classic scheme.
TColor ClassicSystemColor(int index);

// The RGB value of a colour, system colours resolved now.
TColor ColorToRGB(TColor color);

// Whether the screen shows every colour (no palette): true on today's X11 and offscreen
// platforms. Tests can force it.
bool FullColor();
void SetFullColor(bool fullColor);

struct THsl {
  std::uint8_t H = 0;
  std::uint8_t S = 0;
  std::uint8_t L = 0;
  bool operator==(const THsl&) const = default;
};

// Hue, saturation and lightness on a scale of 0 to 240.
THsl RgbToHsl240(TColor color);
TColor Hsl240ToRgb(int hue, int saturation, int lightness);
TColor ShadeDarker(TColor color, int amount);
TColor ShadeLighter(TColor color, int amount);
// Darker for a negative adjustment, lighter for a positive one (by its low byte); an
// adjustment of 0 returns the colour as it is, system colours included.
TColor ShadeColor(TColor color, int adjustment);
TColor MixColors(TColor color1, TColor color2, int alpha);
bool AreColorsClose(TColor color1, TColor color2);
TColor OppositeHueColor(TColor color, int lightness);

// Relative luminance (0 black to 1 white) and the contrast ratio of two colours (1 to 21), as
// the web's accessibility guidelines define them; system colours resolved now.
double RelativeLuminance(TColor color);
double ContrastRatio(TColor color1, TColor color2);
// The least contrast of `ink` against each colour of `backdrop` (21 for an empty backdrop).
double LeastContrast(TColor ink, const std::vector<TColor>& backdrop);
// `ink` when it has at least `minimum` contrast against every colour of the backdrop;
// otherwise the first of `alternatives` that has, or else black or white, whichever stands out
// more. A user's scheme (high contrast, a dark palette) can turn a fixed colour unreadable.
TColor ReadableColor(TColor ink, const std::vector<TColor>& backdrop, double minimum,
                     const std::vector<TColor>& alternatives);
// The contrast that text needs against what is behind it, and a focus cue or other mark.
inline constexpr double TextContrast = 4.5;
inline constexpr double MarkContrast = 3.0;

enum TKvGradientColorStyle { gcsSystem, gcsOffice, gcsCustom };

struct TGradientColors {
  TColor start;
  TColor stop;
};
struct TBannerColors {
  TColor start;
  TColor stop;
  TColor frame;
};
TGradientColors GetPanelGradientColors(TKvGradientColorStyle style);
TColor GetPanelFrameColor(TKvGradientColorStyle style);
TBannerColors GetBannerColors(TKvGradientColorStyle style);

} // namespace controls
