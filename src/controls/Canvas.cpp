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

TCanvas::TCanvas(platform::TBitmap& target, int dpi)
    : m_target(target), m_dpi(std::max(dpi, platform::BaseDpi)), m_pen(platform::PenWidth(m_dpi)),
      m_clip(target.Bounds()) {}

void TCanvas::Restore(TState state) {
  m_origin = state.origin;
  m_clip = state.clip;
  m_excluded = std::move(state.excluded);
}

int TCanvas::MapAxis(int value, int origin, int extent) const {
  // At a whole multiple of 96 the pen is the scale and both branches below agree with the
  // proportional mapping, which keeps those pictures exactly what they were.
  if (extent > 0) {
    const int zone = std::min(EdgeZone, extent / 2);
    if (value >= 0 && value <= zone)
      return platform::DeviceEdge(origin, m_dpi) + value * m_pen;
    if (value >= extent - zone && value <= extent)
      return platform::DeviceEdge(origin + extent, m_dpi) - (extent - value) * m_pen;
  }
  return platform::DeviceEdge(origin + value, m_dpi);
}

TRect TCanvas::ToDevice(const TRect& rect) const {
  return {MapX(rect.Left), MapY(rect.Top), MapX(rect.Right), MapY(rect.Bottom)};
}

TRect TCanvas::DeviceRect(const TRect& rect) const {
  return ToDevice(rect);
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
  if (m_dpi != platform::BaseDpi || !m_excluded.empty() || device.IsEmpty() ||
      device.Intersected(m_clip) != device)
    return nullptr;
  return m_target.Row(device.Top) + device.Left;
}

void TCanvas::FillDevice(const TRect& device, std::uint32_t pixel) {
  ForVisible(device, [this, pixel](const TRect& part) {
    for (int y = part.Top; y < part.Bottom; ++y)
      std::fill_n(m_target.Row(y) + part.Left, part.Width(), pixel);
  });
}

void TCanvas::FillRect(const TRect& rect, TColor color) {
  if (rect.IsEmpty())
    return;
  FillDevice(ToDevice(rect), ToPixel(color));
}

void TCanvas::Pixel(int x, int y, TColor color) {
  const int left = MapX(x), top = MapY(y);
  FillDevice({left, top, left + m_pen, top + m_pen}, ToPixel(color));
}

void TCanvas::Line(int x1, int y1, int x2, int y2, TColor color) {
  if (y1 == y2) {
    if (x1 != x2) {
      const int from = x1 < x2 ? x1 : x2 + 1;
      const int top = MapY(y1);
      FillDevice({MapX(from), top, MapX(from + std::abs(x2 - x1)), top + m_pen}, ToPixel(color));
    }
    return;
  }
  if (x1 == x2) {
    const int from = y1 < y2 ? y1 : y2 + 1;
    const int left = MapX(x1);
    FillDevice({left, MapY(from), left + m_pen, MapY(from + std::abs(y2 - y1))}, ToPixel(color));
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
  const TRect d = ToDevice(rect);
  const int w = d.Width(), h = d.Height();
  if (rect.IsEmpty() || w <= 0 || h <= 0 || penWidth <= 0)
    return;
  // A pen wider than half the rectangle fills it.
  const int layout = std::min({penWidth, (rect.Width() + 1) / 2, (rect.Height() + 1) / 2});
  const int p = std::min({layout * m_pen, (w + 1) / 2, (h + 1) / 2});
  const std::uint32_t pixel = ToPixel(color);
  FillDevice({d.Left, d.Top, d.Right, d.Top + p}, pixel);
  FillDevice({d.Left, d.Bottom - p, d.Right, d.Bottom}, pixel);
  FillDevice({d.Left, d.Top, d.Left + p, d.Bottom}, pixel);
  FillDevice({d.Right - p, d.Top, d.Right, d.Bottom}, pixel);
}

std::vector<int> TCanvas::SourceIndices(int from, int count, bool alongX) const {
  std::vector<int> indices;
  const int first = alongX ? MapX(from) : MapY(from);
  for (int i = 0; i < count; ++i) {
    const int end = alongX ? MapX(from + i + 1) : MapY(from + i + 1);
    while (first + static_cast<int>(indices.size()) < end)
      indices.push_back(i);
  }
  return indices;
}

template <typename Put>
void TCanvas::PutPicture(int x, int y, const platform::TBitmap& picture, Put&& put) {
  const TRect device = ToDevice({x, y, x + picture.Width(), y + picture.Height()});
  if (device.Intersected(m_clip).IsEmpty())
    return;
  const std::vector<int> columns = SourceIndices(x, picture.Width(), true);
  const std::vector<int> rows = SourceIndices(y, picture.Height(), false);
  ForVisible(device, [&](const TRect& part) {
    for (int row = part.Top; row < part.Bottom; ++row) {
      const std::uint32_t* from = picture.Row(rows[static_cast<std::size_t>(row - device.Top)]);
      std::uint32_t* to = m_target.Row(row);
      if (m_dpi == platform::BaseDpi) {
        for (int column = part.Left; column < part.Right; ++column)
          put(to[column], from[column - device.Left]);
        continue;
      }
      for (int column = part.Left; column < part.Right; ++column)
        put(to[column], from[columns[static_cast<std::size_t>(column - device.Left)]]);
    }
  });
}

void TCanvas::Draw(int x, int y, const platform::TBitmap& picture) {
  if (m_dpi == platform::BaseDpi) {
    const TRect device = ToDevice({x, y, x + picture.Width(), y + picture.Height()});
    ForVisible(device, [&](const TRect& part) {
      for (int row = part.Top; row < part.Bottom; ++row)
        std::memcpy(m_target.Row(row) + part.Left,
                    picture.Row(row - device.Top) + (part.Left - device.Left),
                    static_cast<std::size_t>(part.Width()) * sizeof(std::uint32_t));
    });
    return;
  }
  PutPicture(x, y, picture, [](std::uint32_t& to, std::uint32_t from) { to = from; });
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

void BlendPixel(std::uint32_t& to, std::uint32_t source) {
  to = 0xFF000000u | (source + ByteMul(to, 255 - (source >> 24)));
}

} // namespace

void TCanvas::Blend(int x, int y, const platform::TBitmap& picture) {
  PutPicture(x, y, picture, BlendPixel);
}

void TCanvas::DrawDevicePicture(const TRect& rect, const platform::TBitmap& picture) {
  const TRect area = ToDevice(rect);
  const TRect device{area.Left, area.Top, area.Left + picture.Width(), area.Top + picture.Height()};
  ForVisible(device.Intersected(area), [&](const TRect& part) {
    for (int row = part.Top; row < part.Bottom; ++row)
      std::memcpy(m_target.Row(row) + part.Left,
                  picture.Row(row - device.Top) + (part.Left - device.Left),
                  static_cast<std::size_t>(part.Width()) * sizeof(std::uint32_t));
  });
}

void TCanvas::BlendDevicePicture(const TRect& rect, const platform::TBitmap& picture) {
  const TRect area = ToDevice(rect);
  const int left = area.Left + (area.Width() - picture.Width()) / 2;
  const int top = area.Top + (area.Height() - picture.Height()) / 2;
  const TRect device{left, top, left + picture.Width(), top + picture.Height()};
  ForVisible(device.Intersected(area), [&](const TRect& part) {
    for (int row = part.Top; row < part.Bottom; ++row) {
      const std::uint32_t* from = picture.Row(row - top);
      std::uint32_t* to = m_target.Row(row);
      for (int column = part.Left; column < part.Right; ++column)
        BlendPixel(to[column], from[column - left]);
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
