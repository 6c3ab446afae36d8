#include "controls/Colors.h"

#include "platform/SystemColors.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace controls {

namespace {

std::atomic<ColorScheme> g_scheme{ColorScheme::Palette};
std::atomic<int> g_fullColor{-1}; // -1: not yet asked

// Halves go to the even neighbour.
int Round(double value) {
  return static_cast<int>(std::nearbyint(value));
}

std::uint8_t RoundToByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(Round(value), 0, 255));
}

// One table for every system colour the kit uses, with its classic RGB value.
struct SystemColor {
  int index;
  TColor classic;
};

constexpr SystemColor SystemColors[] = {
    {5, RGB(255, 255, 255)},  // clWindow
    {8, RGB(0, 0, 0)},        // clWindowText
    {13, RGB(10, 36, 106)},   // clHighlight
    {15, RGB(212, 208, 200)}, // clBtnFace
    {16, RGB(128, 128, 128)}, // clBtnShadow
    {17, RGB(128, 128, 128)}, // clGrayText
    {20, RGB(255, 255, 255)}, // clBtnHighlight
    {21, RGB(64, 64, 64)},    // cl3DDkShadow
    {26, RGB(0, 0, 128)},     // clHotLight
};

const SystemColor* FindSystemColor(int index) {
  for (const SystemColor& color : SystemColors) {
    if (color.index == index)
      return &color;
  }
  return nullptr;
}

} // namespace

void SetColorScheme(ColorScheme scheme) {
  g_scheme = scheme;
}

ColorScheme CurrentColorScheme() {
  return g_scheme;
}

TColor ClassicSystemColor(int index) {
  const SystemColor* color = FindSystemColor(index);
  return color ? color->classic : RGB(0, 0, 0);
}

TColor ColorToRGB(TColor color) {
  if (!IsSystemColor(color))
    return color & 0x00FFFFFF;
  const int index = static_cast<int>(color & 0xFF);
  if (g_scheme == ColorScheme::Classic || !FindSystemColor(index))
    return ClassicSystemColor(index);
  const auto pixel = platform::SystemColor(index);
  if (!pixel)
    return ClassicSystemColor(index);
  return RGB(static_cast<int>(*pixel >> 16), static_cast<int>(*pixel >> 8),
             static_cast<int>(*pixel));
}

bool FullColor() {
  // A palette-based screen does not exist on the platforms the program runs on.
  const int value = g_fullColor.load();
  return value != 0;
}

void SetFullColor(bool fullColor) {
  g_fullColor = fullColor ? 1 : 0;
}

THsl RgbToHsl240(TColor color) {
  const TColor rgb = ColorToRGB(color);
  const double r = GetRValue(rgb) / 255.0;
  const double g = GetGValue(rgb) / 255.0;
  const double b = GetBValue(rgb) / 255.0;
  double max = r > g ? r : g;
  if (b > max)
    max = b;
  double min = r < g ? r : g;
  if (b < min)
    min = b;
  const double l = (max + min) / 2;
  double h = 0;
  double s = 0;
  if (max != min) {
    const double d = max - min;
    s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
    if (r == max)
      h = (g - b) / d;
    else if (g == max)
      h = 2 + (b - r) / d;
    else
      h = 4 + (r - g) / d;
    h /= 6;
    if (h < 0)
      h += 1;
  }
  return {RoundToByte(h * 240), RoundToByte(s * 240), RoundToByte(l * 240)};
}

TColor Hsl240ToRgb(int hue, int saturation, int lightness) {
  const double h = hue / 239.0;
  const double s = saturation / 240.0;
  const double l = lightness / 240.0;
  const double v = l < 0.5 ? l * (1 + s) : l + s - l * s;
  if (v <= 0)
    return RGB(0, 0, 0);
  const double m = 2 * l - v;
  const double sv = (v - m) / v;
  const double h6 = 6 * h;
  const int sextant = static_cast<int>(h6);
  const double f = h6 - sextant;
  const double x = v * sv * f;
  const double up = m + x;
  const double down = v - x;
  double red = v, green = up, blue = m;
  switch (sextant) {
  case 1:
    red = down;
    green = v;
    blue = m;
    break;
  case 2:
    red = m;
    green = v;
    blue = up;
    break;
  case 3:
    red = m;
    green = down;
    blue = v;
    break;
  case 4:
    red = up;
    green = m;
    blue = v;
    break;
  case 5:
    red = v;
    green = m;
    blue = down;
    break;
  default:
    break;
  }
  const auto channel = [](double value) { return RoundToByte(std::min(value, 1.0) * 255); };
  return RGB(channel(red), channel(green), channel(blue));
}

TColor ShadeDarker(TColor color, int amount) {
  const THsl hsl = RgbToHsl240(color);
  return Hsl240ToRgb(hsl.H, hsl.S, std::max(hsl.L - amount, 0));
}

TColor ShadeLighter(TColor color, int amount) {
  const THsl hsl = RgbToHsl240(color);
  return Hsl240ToRgb(hsl.H, hsl.S, std::min(hsl.L + amount, 255));
}

TColor ShadeColor(TColor color, int adjustment) {
  if (adjustment < 0)
    return ShadeDarker(color, static_cast<int>(static_cast<unsigned>(-adjustment) & 0xFF));
  if (adjustment > 0)
    return ShadeLighter(color, static_cast<int>(static_cast<unsigned>(adjustment) & 0xFF));
  return color;
}

TColor MixColors(TColor color1, TColor color2, int alpha) {
  const TColor a = ColorToRGB(color1);
  const TColor b = ColorToRGB(color2);
  const float x = static_cast<float>(alpha) / 255.0f;
  const auto mix = [x](int c1, int c2) {
    return Round(
        static_cast<double>(static_cast<float>(c1) * x + (1.0f - x) * static_cast<float>(c2)));
  };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

bool AreColorsClose(TColor color1, TColor color2) {
  const THsl a = RgbToHsl240(color1);
  const THsl b = RgbToHsl240(color2);
  return std::abs(a.H - b.H) < 20 && std::abs(a.L - b.L) < 60;
}

TColor OppositeHueColor(TColor color, int lightness) {
  const THsl hsl = RgbToHsl240(color);
  const int hue = hsl.H >= 120 ? hsl.H - 120 : hsl.H + 120;
  return Hsl240ToRgb(hue, 240, lightness);
}

double RelativeLuminance(TColor color) {
  const TColor rgb = ColorToRGB(color);
  const auto linear = [](int channel) {
    const double value = channel / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(GetRValue(rgb)) + 0.7152 * linear(GetGValue(rgb)) +
         0.0722 * linear(GetBValue(rgb));
}

double ContrastRatio(TColor color1, TColor color2) {
  const double a = RelativeLuminance(color1);
  const double b = RelativeLuminance(color2);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

double LeastContrast(TColor ink, const std::vector<TColor>& backdrop) {
  double least = 21;
  for (const TColor each : backdrop)
    least = std::min(least, ContrastRatio(ink, each));
  return least;
}

TColor ReadableColor(TColor ink, const std::vector<TColor>& backdrop, double minimum,
                     const std::vector<TColor>& alternatives) {
  if (LeastContrast(ink, backdrop) >= minimum)
    return ink;
  for (const TColor each : alternatives) {
    if (LeastContrast(each, backdrop) >= minimum)
      return each;
  }
  return LeastContrast(clBlack, backdrop) >= LeastContrast(clWhite, backdrop) ? clBlack : clWhite;
}

TGradientColors GetPanelGradientColors(TKvGradientColorStyle) {
  return {clWindow, ShadeDarker(clBtnFace, 10)};
}

TColor GetPanelFrameColor(TKvGradientColorStyle) {
  return ShadeLighter(clBtnShadow, 30);
}

TBannerColors GetBannerColors(TKvGradientColorStyle) {
  return {clWindow, ShadeDarker(clBtnFace, 20), ShadeDarker(clBtnFace, 40)};
}

} // namespace controls
