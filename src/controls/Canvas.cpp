#include "controls/Canvas.h"

#include "platform/Input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace controls {

std::uint32_t ToPixel(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(rgb)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(rgb)) << 8) |
         static_cast<std::uint32_t>(GetBValue(rgb));
}

char32_t AcceleratorFold(char32_t point) {
  if (point >= U'a' && point <= U'z')
    return point - 0x20;
  if ((point >= 0xE0 && point <= 0xFE && point != 0xF7))
    return point - 0x20;
  switch (point) {
  case 0xFF: // ÿ
    return 0x178;
  case 0x130: // İ
  case 0x131: // ı
    return U'I';
  case 0x17F: // long s
    return U'S';
  default:
    break;
  }
  // Latin Extended-A pairs each upper-case letter with the lower-case one after it, in runs
  // that start on an even or an odd code point; ĸ (0x138) and ŉ (0x149) have no upper case.
  const bool evenUpper = (point >= 0x100 && point <= 0x137) || (point >= 0x14A && point <= 0x177);
  const bool oddUpper = (point >= 0x139 && point <= 0x148) || (point >= 0x179 && point <= 0x17E);
  if ((evenUpper && point % 2 == 1) || (oddUpper && point % 2 == 0))
    return point - 1;
  return point;
}

char32_t AcceleratorOf(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&')
      continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const char32_t next = platform::FirstCodePoint(caption.substr(i + 1));
    const bool letter = (next >= U'a' && next <= U'z') || (next >= U'A' && next <= U'Z') ||
                        (next >= U'0' && next <= U'9') ||
                        (next >= 0xC0 && next <= 0x17F && next != 0xD7 && next != 0xF7);
    return letter ? AcceleratorFold(next) : 0;
  }
  return 0;
}

std::string StripAccelerators(std::string_view text) {
  // '&' never occurs inside a UTF-8 sequence, so a letter of several bytes after it stays whole.
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      if (text[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += text[i];
  }
  return result;
}

TCanvas::TCanvas(platform::TBitmap& target, int scale)
    : m_target(target), m_scale(std::max(scale, 1)), m_clip(target.Bounds()) {}

void TCanvas::Restore(TState state) {
  m_origin = state.origin;
  m_clip = state.clip;
  m_excluded = std::move(state.excluded);
}

TRect TCanvas::ToDevice(const TRect& rect) const {
  return {(rect.Left + m_origin.X) * m_scale, (rect.Top + m_origin.Y) * m_scale,
          (rect.Right + m_origin.X) * m_scale, (rect.Bottom + m_origin.Y) * m_scale};
}

void TCanvas::IntersectClip(const TRect& rect) {
  m_clip = m_clip.Intersected(ToDevice(rect));
}

void TCanvas::ExcludeClip(const TRect& rect) {
  const TRect device = ToDevice(rect);
  if (!device.IsEmpty())
    m_excluded.push_back(device);
}

template <typename Fill>
void TCanvas::VisitOutsideExcluded(const TRect& device, std::size_t from, Fill& fill) const {
  if (device.IsEmpty())
    return;
  for (std::size_t i = from; i < m_excluded.size(); ++i) {
    const TRect cut = device.Intersected(m_excluded[i]);
    if (cut.IsEmpty())
      continue;
    // What lies above, below, left and right of the excluded part.
    VisitOutsideExcluded({device.Left, device.Top, device.Right, cut.Top}, i + 1, fill);
    VisitOutsideExcluded({device.Left, cut.Bottom, device.Right, device.Bottom}, i + 1, fill);
    VisitOutsideExcluded({device.Left, cut.Top, cut.Left, cut.Bottom}, i + 1, fill);
    VisitOutsideExcluded({cut.Right, cut.Top, device.Right, cut.Bottom}, i + 1, fill);
    return;
  }
  fill(device);
}

template <typename Fill> void TCanvas::ForVisible(const TRect& device, Fill&& fill) const {
  VisitOutsideExcluded(device.Intersected(m_clip), 0, fill);
}

std::uint32_t* TCanvas::DirectPixels(const TRect& rect) {
  const TRect device = ToDevice(rect);
  if (m_scale != 1 || !m_excluded.empty() || device.IsEmpty() ||
      device.Intersected(m_clip) != device)
    return nullptr;
  return m_target.Row(device.Top) + device.Left;
}

void TCanvas::FillRect(const TRect& rect, TColor color) {
  if (rect.IsEmpty())
    return;
  const std::uint32_t pixel = ToPixel(color);
  ForVisible(ToDevice(rect), [this, pixel](const TRect& part) {
    for (int y = part.Top; y < part.Bottom; ++y)
      std::fill_n(m_target.Row(y) + part.Left, part.Width(), pixel);
  });
}

void TCanvas::Pixel(int x, int y, TColor color) {
  FillRect({x, y, x + 1, y + 1}, color);
}

void TCanvas::Line(int x1, int y1, int x2, int y2, TColor color) {
  if (y1 == y2) {
    if (x1 != x2) {
      const int from = x1 < x2 ? x1 : x2 + 1;
      FillRect({from, y1, from + std::abs(x2 - x1), y1 + 1}, color);
    }
    return;
  }
  if (x1 == x2) {
    const int from = y1 < y2 ? y1 : y2 + 1;
    FillRect({x1, from, x1 + 1, from + std::abs(y2 - y1)}, color);
    return;
  }
  // Bresenham, without the end pixel.
  const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int error = dx + dy;
  while (x1 != x2 || y1 != y2) {
    Pixel(x1, y1, color);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x1 += sx;
    }
    if (twice <= dx) {
      error += dx;
      y1 += sy;
    }
  }
}

void TCanvas::FrameRect(const TRect& rect, TColor color, int penWidth) {
  const int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0 || penWidth <= 0)
    return;
  const int p = std::min({penWidth, (w + 1) / 2, (h + 1) / 2});
  FillRect({rect.Left, rect.Top, rect.Right, rect.Top + p}, color);
  FillRect({rect.Left, rect.Bottom - p, rect.Right, rect.Bottom}, color);
  FillRect({rect.Left, rect.Top, rect.Left + p, rect.Bottom}, color);
  FillRect({rect.Right - p, rect.Top, rect.Right, rect.Bottom}, color);
}

void TCanvas::Draw(int x, int y, const platform::TBitmap& picture) {
  const TRect device = ToDevice({x, y, x + picture.Width(), y + picture.Height()});
  const int scale = m_scale;
  ForVisible(device, [&](const TRect& part) {
    for (int row = part.Top; row < part.Bottom; ++row) {
      const std::uint32_t* from = picture.Row((row - device.Top) / scale);
      std::uint32_t* to = m_target.Row(row);
      if (scale == 1) {
        std::memcpy(to + part.Left, from + (part.Left - device.Left),
                    static_cast<std::size_t>(part.Width()) * sizeof(std::uint32_t));
        continue;
      }
      for (int column = part.Left; column < part.Right; ++column)
        to[column] = from[(column - device.Left) / scale];
    }
  });
}

namespace {

// Each 8-bit channel of `pixel` times alpha / 255, rounded as the toolkits round it.
std::uint32_t ByteMul(std::uint32_t pixel, std::uint32_t alpha) {
  std::uint32_t low = (pixel & 0xFF00FFu) * alpha;
  low = ((low + ((low >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
  std::uint32_t high = ((pixel >> 8) & 0xFF00FFu) * alpha;
  high = (high + ((high >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
  return high | low;
}

} // namespace

void TCanvas::Blend(int x, int y, const platform::TBitmap& picture) {
  const TRect device = ToDevice({x, y, x + picture.Width(), y + picture.Height()});
  const int scale = m_scale;
  ForVisible(device, [&](const TRect& part) {
    for (int row = part.Top; row < part.Bottom; ++row) {
      const std::uint32_t* from = picture.Row((row - device.Top) / scale);
      std::uint32_t* to = m_target.Row(row);
      for (int column = part.Left; column < part.Right; ++column) {
        const std::uint32_t source = from[(column - device.Left) / scale];
        const std::uint32_t alpha = source >> 24;
        to[column] = 0xFF000000u | (source + ByteMul(to[column], 255 - alpha));
      }
    }
  });
}

void TCanvas::DrawInk(const TRect& device, const std::uint8_t* ink, std::uint32_t pixel) {
  const int rowWidth = device.Width();
  ForVisible(device, [&](const TRect& part) {
    for (int y = part.Top; y < part.Bottom; ++y) {
      const std::uint8_t* mask = ink + static_cast<std::size_t>(y - device.Top) * rowWidth;
      std::uint32_t* row = m_target.Row(y);
      for (int x = part.Left; x < part.Right; ++x) {
        if (mask[x - device.Left])
          row[x] = pixel;
      }
    }
  });
}

} // namespace controls
