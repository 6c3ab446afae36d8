#include "controls/Gradient.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace controls {

namespace {

constexpr int StripWidth = 8;

// A run of pixels in one colour, with the widest stores the processor has; the loader picks the
// variant where executables have indirect functions (ELF), elsewhere the plain loop serves.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__ELF__)
__attribute__((target_clones("avx2", "default")))
#endif
void FillPixels(std::uint32_t* pixels, int count, std::uint32_t color) {
  for (int i = 0; i < count; ++i)
    pixels[i] = color;
}

std::uint32_t ToRgb(int red, int green, int blue) {
  return 0xFF000000u | (static_cast<std::uint32_t>(red & 0xFF) << 16) |
         (static_cast<std::uint32_t>(green & 0xFF) << 8) | static_cast<std::uint32_t>(blue & 0xFF);
}

std::uint32_t ToRgb(TColor rgb) {
  return ToRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

std::uint32_t* Row(const TPixels& image, int y) {
  return image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
}

// Paints positions [from, to] (along the axis) of the strip in one colour.
void PaintBand(const TPixels& image, bool alongRows, int from, int to, std::uint32_t color) {
  if (alongRows) {
    // A row is one colour: the band's rows are filled across at once, which gives the picture
    // the strip and its doubling copies would, with one pass over the pixels.
    for (int y = from; y <= to; ++y)
      FillPixels(Row(image, y), image.width, color);
  } else {
    const int across = std::min(StripWidth, image.height);
    for (int y = 0; y < across; ++y)
      std::fill_n(Row(image, y) + from, to - from + 1, color);
  }
}

struct Run {
  int first;
  int last;
  TColor firstColor;
  TColor lastColor;
};

void PaintRun(const TPixels& image, bool alongRows, int extent, const Run& run, int minBand) {
  const int n = run.first >= run.last ? run.first - run.last + 1 : 0;
  if (n == 0) {
    // A run always paints its first band: here the single pixel at the end of the extent.
    PaintBand(image, alongRows, extent - 1, extent - 1, ToRgb(run.firstColor));
    return;
  }
  const int channelsFirst[3] = {GetRValue(run.firstColor), GetGValue(run.firstColor),
                                GetBValue(run.firstColor)};
  const int channelsLast[3] = {GetRValue(run.lastColor), GetGValue(run.lastColor),
                               GetBValue(run.lastColor)};
  long long acc[3];
  long long step[3];
  for (int c = 0; c < 3; ++c) {
    acc[c] = static_cast<long long>(channelsFirst[c]) * 65536;
    step[c] = (static_cast<long long>(channelsLast[c]) * 65536 - acc[c]) / n;
  }
  const auto colorAt = [&](int i) {
    return ToRgb(static_cast<int>((acc[0] + i * step[0]) / 65536),
                 static_cast<int>((acc[1] + i * step[1]) / 65536),
                 static_cast<int>((acc[2] + i * step[2]) / 65536));
  };
  int i = 0;
  while (i < n) {
    const int bandStart = i;
    const std::uint32_t color = colorAt(i);
    ++i;
    while (i < n && (colorAt(i) == color || i - bandStart < minBand))
      ++i;
    // Positions go down from the run's first position.
    PaintBand(image, alongRows, run.first - (i - 1), run.first - bandStart, color);
  }
}

// Spreads the 8-pixel strip of a gradient along the columns over the whole image. Rows along
// the rows were painted across the whole width already.
void Replicate(const TPixels& image, bool alongRows) {
  if (alongRows)
    return;
  const int extent = image.height;
  const auto rowBytes = static_cast<std::size_t>(image.width) * sizeof(std::uint32_t);
  int filled = std::min(StripWidth, extent);
  if (image.stride == image.width) {
    // The rows are contiguous: one copy per doubling.
    while (filled < extent) {
      const int count = std::min(filled, extent - filled);
      std::memcpy(Row(image, filled), image.bits, static_cast<std::size_t>(count) * rowBytes);
      filled += count;
    }
    return;
  }
  // A view on a part of a larger bitmap: its rows are apart by the whole bitmap's stride, and
  // the pixels between them lie outside the view.
  for (int y = filled; y < extent; ++y)
    std::memcpy(Row(image, y), image.bits, rowBytes);
}

// The diagonal and box pictures: each pixel's place between the edges (0) and the far corner
// or the centre (1), mirrored so that the picture is symmetric.
void PaintSmooth(const TPixels& image, TGradientDirection direction, TColor start, TColor stop) {
  const int w = image.width, h = image.height;
  const auto mix = [&](double t) {
    const auto channel = [t](int a, int b) {
      return static_cast<int>(std::nearbyint(a + (b - a) * std::clamp(t, 0.0, 1.0)));
    };
    return ToRgb(channel(GetRValue(start), GetRValue(stop)),
                 channel(GetGValue(start), GetGValue(stop)),
                 channel(GetBValue(start), GetBValue(stop)));
  };
  for (int y = 0; y < h; ++y) {
    std::uint32_t* line = Row(image, y);
    for (int x = 0; x < w; ++x) {
      const double fx = w > 1 ? static_cast<double>(x) / (w - 1) : 0.0;
      const double fy = h > 1 ? static_cast<double>(y) / (h - 1) : 0.0;
      double t = 0;
      switch (direction) {
      case gdDiagonalDown:
        t = (fx + fy) / 2;
        break;
      case gdDiagonalUp:
        t = (fx + (1 - fy)) / 2;
        break;
      case gdHorizontalBox:
        t = 1 - std::abs(2 * fy - 1);
        break;
      case gdVerticalBox:
        t = 1 - std::abs(2 * fx - 1);
        break;
      case gdSquareBox:
        t = std::min(1 - std::abs(2 * fx - 1), 1 - std::abs(2 * fy - 1));
        break;
      default: {
        const double dx = 1 - std::abs(2 * fx - 1), dy = 1 - std::abs(2 * fy - 1);
        t = std::sqrt(dx * dy);
        break;
      }
      }
      line[x] = mix(t);
    }
  }
}

// The gradient of `direction` over the whole image.
void PaintGradient(const TPixels& image, TGradientDirection direction, TColor start, TColor stop,
                   int colors);

} // namespace

void FillGradientStrip(TPixels image, bool alongRows, int centre, TColor start, TColor stop,
                       int colors) {
  const int extent = alongRows ? image.height : image.width;
  if (extent <= 0 || image.width <= 0 || image.height <= 0)
    return;
  int c = colors;
  if (c > 8)
    c = 255 / c + 1;
  const int minBand = std::max(c, 1);
  if (centre < 0) {
    PaintRun(image, alongRows, extent, {extent - 1, 0, stop, start}, minBand);
  } else {
    PaintRun(image, alongRows, extent, {centre, 0, stop, start}, minBand);
    PaintRun(image, alongRows, extent, {extent - 1, centre + 1, start, stop}, minBand);
  }
  Replicate(image, alongRows);
}

void DrawGradientRect(TCanvas& canvas, const TRect& rect, TGradientDirection direction,
                      TColor startColor, TColor stopColor, int colors) {
  const int w = std::abs(rect.Right - rect.Left);
  const int h = std::abs(rect.Bottom - rect.Top);
  if (w == 0 || h == 0)
    return;
  const TColor start = ColorToRGB(startColor);
  const TColor stop = ColorToRGB(stopColor);
  if (canvas.Dpi() % platform::BaseDpi != 0 && rect.Left < rect.Right && rect.Top < rect.Bottom) {
    // Between whole scales the gradient is computed for the device's pixels, not stretched.
    const TRect device = canvas.DeviceRect(rect);
    thread_local platform::TBitmap fine;
    if (fine.Width() != device.Width() || fine.Height() != device.Height())
      fine.Reset(device.Width(), device.Height());
    PaintGradient({fine.Bits(), fine.Width(), fine.Height(), fine.Width()}, direction, start, stop,
                  colors);
    canvas.DrawDevicePicture(rect, fine);
    return;
  }
  // On a canvas with nothing in the way the bitmap is the canvas's own rectangle, which spares
  // the copy; otherwise an off-screen bitmap, kept between calls of the same size.
  std::uint32_t* direct =
      rect.Left < rect.Right && rect.Top < rect.Bottom ? canvas.DirectPixels(rect) : nullptr;
  thread_local platform::TBitmap scratch;
  if (!direct && (scratch.Width() != w || scratch.Height() != h))
    scratch.Reset(w, h);
  const TPixels image =
      direct ? TPixels{direct, w, h, canvas.Target().Width()} : TPixels{scratch.Bits(), w, h, w};
  PaintGradient(image, direction, start, stop, colors);
  if (!direct)
    canvas.Draw(rect.Left, rect.Top, scratch);
}

namespace {

void PaintGradient(const TPixels& image, TGradientDirection direction, TColor start, TColor stop,
                   int colors) {
  const int w = image.width, h = image.height;
  switch (direction) {
  case gdHorizontalEnd:
    FillGradientStrip(image, true, -1, start, stop, colors);
    break;
  case gdHorizontalCenter:
    FillGradientStrip(image, true, h / 2, start, stop, colors);
    break;
  case gdVerticalEnd:
    FillGradientStrip(image, false, -1, start, stop, colors);
    break;
  case gdVerticalCenter:
    FillGradientStrip(image, false, w / 2, start, stop, colors);
    break;
  default:
    if (start == stop)
      for (int y = 0; y < h; ++y)
        FillPixels(Row(image, y), w, ToRgb(start));
    else
      PaintSmooth(image, direction, start, stop);
    break;
  }
}

} // namespace

void DrawGradientRing(TCanvas& canvas, const TRect& rect, TGradientDirection direction,
                      TColor color1, TColor color2) {
  if (!FullColor())
    return;
  canvas.ExcludeClip(rect.Inflated(-2, -2));
  DrawGradientRect(canvas, rect, direction, color1, color2, 1);
  canvas.ClearClip();
}

} // namespace controls
