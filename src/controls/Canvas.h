#pragma once

#include "controls/Colors.h"
#include "platform/Bitmap.h"
#include "platform/DeviceScale.h"
#include "platform/Geometry.h"
#include "platform/TextEngine.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace controls {

using platform::TPoint;
using platform::TRect;
using platform::TSize;

using platform::TextFlag;
using platform::tfCalcRect;
using platform::tfCenter;
using platform::tfExpandTabs;
using platform::tfLeft;
using platform::tfNoPrefix;
using platform::tfRight;
using platform::tfSingleLine;
using platform::tfVCenter;
using platform::tfWordBreak;

// The pixel a colour paints, system colours resolved now: 0xFFRRGGBB.
std::uint32_t ToPixel(TColor color);

// The drawing surface the kit paints on: a bitmap of our own, with exactly the operations the
// kit needs and no anti-aliasing anywhere. Coordinates are pixels of the layout, mapped to the
// bitmap's device pixels at a dpi (96 is one to one, 144 is 150 %): every edge by one rounding
// rule (DeviceEdge), one-pixel lines a whole pen wide (PenWidth), text drawn by the platform's
// engine at the scaled font size. An origin and a clip let a host paint a control into a part
// of its window; the control's extent makes its frames exact: the EdgeZone pixels along each of
// its sides map to whole pens from its device edges, so that bands of one-pixel lines stay one
// pen wide each and meet, while the rest of the control maps proportionally.
class TCanvas {
public:
  static constexpr int EdgeZone = 4;

  explicit TCanvas(platform::TBitmap& target, int dpi = platform::BaseDpi);
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  platform::TBitmap& Target() { return m_target; }
  int Dpi() const { return m_dpi; }
  // The device pixels of a one-pixel line.
  int Pen() const { return m_pen; }
  // The bitmap's size in pixels of the layout.
  int Width() const { return platform::LayoutPosition(m_target.Width(), m_dpi); }
  int Height() const { return platform::LayoutPosition(m_target.Height(), m_dpi); }

  // Where (0, 0) lies and what may be painted, to be put back after painting a part.
  struct TState {
    TPoint origin;
    TRect clip;
    std::vector<TRect> excluded;
  };
  TState Save() const { return {m_origin, m_clip, m_excluded}; }
  void Restore(TState state);
  // The origin, in pixels of the layout from the bitmap's top left corner.
  void SetOrigin(TPoint origin) { m_origin = origin; }
  TPoint Origin() const { return m_origin; }
  // The size of the control painted at the origin, whose sides anchor its frames; empty (the
  // default) maps everything proportionally.
  void SetExtent(TSize extent) { m_extent = extent; }
  // The rectangle's device pixels (in the coordinates of the origin).
  TRect DeviceRect(const TRect& rect) const;
  // Leaves only the part of the clip inside `rect` (in the coordinates of the origin).
  void IntersectClip(const TRect& rect);
  // Takes `rect` out of the clip until ClearClip.
  void ExcludeClip(const TRect& rect);
  // Leaves only the part of the clip inside a rectangle of device pixels.
  void IntersectDeviceClip(const TRect& device) { m_clip = m_clip.Intersected(device); }
  // Ends every ExcludeClip; the clip rectangle stays.
  void ClearClip() { m_excluded.clear(); }

  // The bitmap's pixels under `rect` when all of them may be painted one to one (no scale, no
  // clip in the way, at 96 dpi), for a routine that writes them itself; null otherwise. Rows are
  // Target().Width() pixels apart.
  std::uint32_t* DirectPixels(const TRect& rect);

  void FillRect(const TRect& rect, TColor color);
  // A one-pixel line from (x1, y1) to (x2, y2), the end pixel left out: one pen wide.
  void Line(int x1, int y1, int x2, int y2, TColor color);
  // One pixel: a pen wide and high.
  void Pixel(int x, int y, TColor color);
  // An unfilled rectangle drawn inside its bounds with `penWidth` pens.
  void FrameRect(const TRect& rect, TColor color, int penWidth = 1);
  // A picture of layout pixels (each drawn over the device pixels it maps to), its top left
  // corner at (x, y).
  void Draw(int x, int y, const platform::TBitmap& picture);
  // A picture with alpha (0xAARRGGBB, colours premultiplied) laid over what is there.
  void Blend(int x, int y, const platform::TBitmap& picture);
  // A picture of device pixels, one to one, from the top left corner of `rect`'s device
  // rectangle and clipped to it.
  void DrawDevicePicture(const TRect& rect, const platform::TBitmap& picture);
  // A picture of device pixels with alpha, one to one, centred in `rect`'s device rectangle.
  void BlendDevicePicture(const TRect& rect, const platform::TBitmap& picture);
  // UTF-8 text in a rectangle (see TextFlag), clipped to it; with tfCalcRect nothing is drawn
  // and the rectangle the text needs is returned.
  TRect DrawText(std::string_view text, const TRect& rect, unsigned flags,
                 const platform::TFontSpec& font, TColor color);
  // The width of one line of text (accelerator markers included) and the font's line height.
  TSize TextExtent(std::string_view text, const platform::TFontSpec& font);

private:
  // An edge (relative to the origin) along one axis in bitmap pixels.
  int MapX(int x) const { return MapAxis(x, m_origin.X, m_extent.Width); }
  int MapY(int y) const { return MapAxis(y, m_origin.Y, m_extent.Height); }
  int MapAxis(int value, int origin, int extent) const;
  // The rectangle in bitmap pixels.
  TRect ToDevice(const TRect& rect) const;
  // For each device column (row) of a picture drawn at `from` (along one axis), the picture's
  // column (row) it shows.
  std::vector<int> SourceIndices(int from, int count, bool alongX) const;
  void FillDevice(const TRect& device, std::uint32_t pixel);
  template <typename Put>
  void PutPicture(int x, int y, const platform::TBitmap& picture, Put&& put);
  // Sets `pixel` where the mask (one byte per pixel of the bitmap rectangle) has ink.
  void DrawInk(const TRect& device, const std::uint8_t* ink, std::uint32_t pixel);
  // Calls `fill` with each piece of a bitmap rectangle that may be painted.
  template <typename Fill> void ForVisible(const TRect& device, Fill&& fill) const;
  template <typename Fill>
  void VisitOutsideExcluded(const TRect& device, std::size_t from, Fill& fill) const;

  platform::TBitmap& m_target;
  int m_dpi;
  int m_pen;
  TPoint m_origin;
  TSize m_extent;
  TRect m_clip;                  // in bitmap pixels
  std::vector<TRect> m_excluded; // in bitmap pixels
};

// The height of one line of text in `font`, in pixels.
int TextHeight(const platform::TFontSpec& font);

// Measures text as DrawText with tfCalcRect does: for a caller that measures many texts in one
// font.
class TTextMeasure {
public:
  explicit TTextMeasure(platform::TFontSpec font) : m_font(std::move(font)) {}
  TRect Measure(std::string_view text, const TRect& rect, unsigned flags) const;

private:
  platform::TFontSpec m_font;
};

// The UTF-8 text with its accelerator markers removed: each '&' is dropped unless the next one
// is also '&' (then one stays); the last character always stays.
std::string StripAccelerators(std::string_view text);

// The letter or digit after the first single '&' of a caption (an ASCII one, or a letter of
// Latin-1 or Latin Extended-A such as "Ç", "Ğ", "Ş"), case-folded; 0 for none.
char32_t AcceleratorOf(std::string_view caption);

// The one case of a letter that accelerators compare: lower-case letters of ASCII, Latin-1 and
// Latin Extended-A become upper case, and the Turkish dotless "ı" and dotted "İ" become "I"
// like "i", so that the key of either i answers a caption with either; anything else stays.
char32_t AcceleratorFold(char32_t point);

} // namespace controls
