#include "controls/TKvProgressBar.h"

#include "controls/Canvas.h"

#include <cmath>

namespace controls {

TKvCustomProgressBar::TKvCustomProgressBar() {
  TControl::SetBounds(0, 0, 200, 24);
}

void TKvCustomProgressBar::SetFont(const platform::TFontSpec& font) {
  SetAndInvalidate(m_font, font);
}

void TKvCustomProgressBar::SetTotalParts(std::uint32_t value) {
  if (value == m_totalParts)
    return;
  m_totalParts = value;
  if (m_loading)
    return;
  m_partsComplete = 0;
  SetPercent(0);
}

void TKvCustomProgressBar::SetPartsComplete(std::uint32_t value) {
  if (value == m_partsComplete)
    return;
  m_partsComplete = value > m_totalParts ? m_totalParts : value;
  if (m_loading || m_totalParts == 0)
    return;
  const long double ratio = static_cast<long double>(static_cast<std::int32_t>(m_partsComplete)) /
                            static_cast<long double>(static_cast<std::int32_t>(m_totalParts));
  const long long rounded = std::llrint(ratio * 100.0L);
  SetPercent(static_cast<std::uint32_t>(rounded));
}

void TKvCustomProgressBar::SetPercent(std::uint32_t value) {
  const auto percent = static_cast<std::uint16_t>(value & 0xFFFF);
  if (percent == m_percent)
    return;
  m_percent = percent;
  if (OnChange)
    OnChange(this, percent);
  RedrawNow();
  AccessibleChanged(platform::TAccessibleChange::Value);
}

std::string TKvCustomProgressBar::AccessibleValue() const {
  return std::to_string(m_percent) + "%";
}

std::optional<platform::TAccessibleRange> TKvCustomProgressBar::AccessibleRange() const {
  return platform::TAccessibleRange{0, 100, static_cast<double>(m_percent)};
}

void TKvCustomProgressBar::RedrawNow() {
  if (m_loading)
    return;
  Invalidate();
}

#define KV_SETTER(Name, member, Type, redraw)                                                      \
  void TKvCustomProgressBar::Set##Name(Type value) {                                               \
    if (value == member)                                                                           \
      return;                                                                                      \
    member = value;                                                                                \
    if (redraw)                                                                                    \
      RedrawNow();                                                                                 \
    else                                                                                           \
      Invalidate();                                                                                \
  }

KV_SETTER(ShowPercent, m_showPercent, bool, true)
KV_SETTER(ShowParts, m_showParts, bool, true)
KV_SETTER(Orientation, m_orientation, TOrientation, true)
KV_SETTER(BarColorStop, m_barColorStop, TColor, true)
KV_SETTER(BackColor, m_backColor, TColor, true)
KV_SETTER(BackColorStop, m_backColorStop, TColor, true)
KV_SETTER(GradientDirection, m_gradientDirection, TGradientDirection, true)
KV_SETTER(BorderOuter, m_borderOuter, TFrameStyleEx, true)
KV_SETTER(BorderInner, m_borderInner, TFrameStyleEx, true)
KV_SETTER(BorderColor, m_borderColor, TColor, true)
KV_SETTER(FlatColor, m_flatColor, TColor, false)
KV_SETTER(FlatColorAdjustment, m_flatColorAdjustment, int, false)
KV_SETTER(ThemeAware, m_themeAware, bool, false)
#undef KV_SETTER

void TKvCustomProgressBar::SetBarColor(TColor value) {
  if (value == m_barColor)
    return;
  m_barColor = value;
  RedrawNow();
}

void TKvCustomProgressBar::SetBarStyle(TBarStyle value) {
  if (value == m_barStyle)
    return;
  m_barStyle = value;
  m_showPercent = value != bsLED;
  m_interiorOffset = value == bsLED ? 1 : 0;
  RedrawNow();
}

void TKvCustomProgressBar::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == m_borderWidth)
    return;
  m_borderWidth = value;
  RedrawNow();
}

void TKvCustomProgressBar::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == m_bevelWidth)
    return;
  m_bevelWidth = value;
  RedrawNow();
}

void TKvCustomProgressBar::SetInteriorOffset(int value) {
  value = std::clamp(value, 0, 255);
  if (value == m_interiorOffset)
    return;
  m_interiorOffset = value;
  RedrawNow();
}

void TKvCustomProgressBar::SetNumSegments(int value) {
  value = std::clamp(value, 1, 100);
  if (value == m_numSegments)
    return;
  m_numSegments = value;
  RedrawNow();
}

void TKvCustomProgressBar::SetBounds(int left, int top, int width, int height) {
  SetBounds({left, top, left + width, top + height});
}

void TKvCustomProgressBar::SetBounds(const platform::TRect& bounds) {
  TControl::SetBounds(bounds);
  m_orientation = bounds.Height() > bounds.Width() ? orVertical : orHorizontal;
}

std::string TKvCustomProgressBar::Text() const {
  if (!m_showPercent)
    return {};
  if (m_showParts)
    return std::to_string(m_partsComplete) + " / " + std::to_string(m_totalParts);
  return std::to_string(m_percent) + "%";
}

void TKvCustomProgressBar::RenderInto(platform::TBitmap& image) const {
  if (image.Width() != std::max(Width(), 1) || image.Height() != std::max(Height(), 1))
    image.Reset(std::max(Width(), 1), std::max(Height(), 1));
  TCanvas canvas(image);
  PaintBar(canvas);
}

void TKvCustomProgressBar::PaintBar(TCanvas& canvas) const {
  TRect r{0, 0, Width(), Height()};
  canvas.FillRect(r, m_borderColor);
  TFrameParams frame;
  frame.outer = m_borderOuter;
  frame.inner = m_borderInner;
  frame.borderWidth = m_borderWidth;
  frame.bevelWidth = m_bevelWidth;
  frame.borderColor = m_borderColor;
  frame.borderHighlight = clBtnHighlight;
  frame.borderShadow = clBtnShadow;
  frame.flatColor = m_flatColor;
  frame.flatColorAdjustment = m_flatColorAdjustment;
  frame.color = m_backColor;
  frame.parentColor = clBtnFace;
  frame.transparent = false;
  frame.softInnerFlat = true;
  r = DrawControlFrame(canvas, r, frame);
  if (m_interiorOffset > 0) {
    canvas.FrameRect(r, m_backColor, m_interiorOffset);
    r = r.Inflated(-m_interiorOffset, -m_interiorOffset);
  }
  if (m_barStyle == bsGradient)
    DrawGradientProgress(canvas, r);
  else
    DrawTraditional(canvas, r, m_barStyle == bsLED);
}

platform::TBitmap TKvCustomProgressBar::Render() const {
  platform::TBitmap image;
  RenderInto(image);
  return image;
}

void TKvCustomProgressBar::Paint(TCanvas& canvas) {
  // At a whole scale drawn at the layout's size, each pixel then covering the device pixels it
  // stands for; between whole scales drawn on the device's pixels, its text and gradient sharp.
  if (canvas.Dpi() % platform::BaseDpi != 0) {
    PaintBar(canvas);
    return;
  }
  RenderInto(m_picture);
  canvas.Draw(0, 0, m_picture);
}

void TKvCustomProgressBar::DrawGradientProgress(TCanvas& canvas, const TRect& r) const {
  const std::string text = Text();
  TRect bar = r;
  if (m_percent < 100) {
    if (m_orientation == orHorizontal) {
      const int w = static_cast<int>(std::nearbyint((r.Right - r.Left) * m_percent / 100.0));
      bar.Right = r.Left + w;
    } else {
      const int h = static_cast<int>(std::nearbyint((r.Bottom - r.Top) * m_percent / 100.0));
      bar.Top = r.Bottom - h;
    }
  }
  DrawGradientRect(canvas, bar, m_gradientDirection, m_barColor, m_barColorStop, 1);
  const platform::TFontSpec& textFont = m_font;
  const int textHeight = canvas.TextExtent("X", textFont).Height;
  const int textWidth = canvas.TextExtent(text, textFont).Width;
  const TRect textRect{r.Right / 2 - textWidth / 2, r.Top + (r.Bottom - r.Top - textHeight) / 2,
                       r.Right / 2 - textWidth / 2 + textWidth + 1,
                       r.Top + (r.Bottom - r.Top - textHeight) / 2 + textHeight};
  const auto drawClipped = [&](const TRect& clip, TColor color) {
    if (text.empty() || clip.Width() <= 0 || clip.Height() <= 0)
      return;
    const TCanvas::TState state = canvas.Save();
    canvas.IntersectClip(clip);
    canvas.DrawText(text, textRect, tfSingleLine | tfNoPrefix, textFont, color);
    canvas.Restore(state);
  };
  drawClipped(bar, m_backColor);
  const TRect rest = m_orientation == orHorizontal ? TRect{bar.Right, r.Top, r.Right, r.Bottom}
                                                   : TRect{r.Left, r.Top, r.Right, bar.Top};
  DrawGradientRect(canvas, rest, m_gradientDirection, m_backColor, m_backColorStop, 1);
  drawClipped(rest, m_barColor);
}

// The classic bar (solid) and the LED bar (NumSegments blocks with gaps), of our own design.
void TKvCustomProgressBar::DrawTraditional(TCanvas& canvas, const TRect& r, bool led) const {
  canvas.FillRect(r, m_backColor);
  const bool horizontal = m_orientation == orHorizontal;
  const int extent = horizontal ? r.Width() : r.Height();
  const int filled =
      m_percent >= 100 ? extent : static_cast<int>(std::nearbyint(extent * m_percent / 100.0));
  if (!led) {
    canvas.FillRect(horizontal ? TRect{r.Left, r.Top, r.Left + filled, r.Bottom}
                               : TRect{r.Left, r.Bottom - filled, r.Right, r.Bottom},
                    m_barColor);
  } else {
    const double segment = static_cast<double>(extent) / m_numSegments;
    const int lit =
        static_cast<int>(std::nearbyint(m_numSegments * std::min<int>(m_percent, 100) / 100.0));
    for (int i = 0; i < lit; ++i) {
      const int from = static_cast<int>(i * segment) + 1;
      const int to = static_cast<int>((i + 1) * segment) - 1;
      if (to <= from)
        continue;
      canvas.FillRect(horizontal ? TRect{r.Left + from, r.Top + 1, r.Left + to, r.Bottom - 1}
                                 : TRect{r.Left + 1, r.Bottom - to, r.Right - 1, r.Bottom - from},
                      m_barColor);
    }
  }
  const std::string text = Text();
  if (!text.empty())
    canvas.DrawText(text, r, tfCenter | tfVCenter | tfSingleLine | tfNoPrefix, m_font,
                    led ? m_barColor : clWindowText);
}

} // namespace controls
