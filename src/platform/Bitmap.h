#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <vector>

namespace platform {

// A picture of 32-bit pixels 0xFFRRGGBB (blue in the low byte), row after row with no gap:
// the layout a 32-bit top-down device-independent bitmap and a 32-bit RGB image both use, so
// each platform shows it without converting. The controls paint into it through TCanvas.
class TBitmap {
public:
  TBitmap() = default;
  TBitmap(int width, int height, std::uint32_t fill = 0xFF000000u)
      : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0),
        m_pixels(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill) {}

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  TSize Size() const { return {m_width, m_height}; }
  TRect Bounds() const { return {0, 0, m_width, m_height}; }
  bool IsEmpty() const { return m_pixels.empty(); }

  std::uint32_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_width; }
  const std::uint32_t* Row(int y) const {
    return m_pixels.data() + static_cast<std::size_t>(y) * m_width;
  }
  std::uint32_t* Bits() { return m_pixels.data(); }
  const std::uint32_t* Bits() const { return m_pixels.data(); }
  // Bytes from one row to the next.
  int Stride() const { return m_width * 4; }

  std::uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, std::uint32_t value) { Row(y)[x] = value; }

  // A new size; the pixels are all `fill` afterwards.
  void Reset(int width, int height, std::uint32_t fill = 0xFF000000u) {
    m_width = width > 0 ? width : 0;
    m_height = height > 0 ? height : 0;
    m_pixels.assign(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), fill);
  }

  bool operator==(const TBitmap&) const = default;

private:
  int m_width = 0;
  int m_height = 0;
  std::vector<std::uint32_t> m_pixels;
};

} // namespace platform
