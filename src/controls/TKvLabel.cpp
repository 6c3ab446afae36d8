#include "controls/TKvLabel.h"

namespace controls {

TKvLabel::TKvLabel() {
  AdjustSize();
}

void TKvLabel::SetCaption(const std::string& caption) {
  if (caption == m_caption)
    return;
  m_caption = caption;
  if (m_autoSize)
    RequestLayout();
  else
    Invalidate();
  AccessibleChanged(AccessibleLabel() ? platform::TAccessibleChange::Value
                                      : platform::TAccessibleChange::Name);
}

std::string TKvLabel::AccessibleName() const {
  return AccessibleLabel() ? TControl::AccessibleName() : StripAccelerators(m_caption);
}

std::string TKvLabel::AccessibleValue() const {
  return AccessibleLabel() ? StripAccelerators(m_caption) : std::string();
}

void TKvLabel::SetAutoSize(bool value) {
  if (value == m_autoSize)
    return;
  m_autoSize = value;
  AdjustSize();
}

void TKvLabel::SetTransparent(bool value) {
  SetAndInvalidate(m_transparent, value);
}

void TKvLabel::SetColor(TColor value) {
  SetAndInvalidate(m_color, value);
}

void TKvLabel::SetFontColor(TColor value) {
  SetAndInvalidate(m_fontColor, value);
}

void TKvLabel::SetFont(const platform::TFontSpec& font) {
  m_font = font;
  m_measure.reset();
  AdjustSize();
  Invalidate();
}

void TKvLabel::SetTextAlignment(unsigned flags) {
  SetAndInvalidate(m_alignment, flags);
}

void TKvLabel::Layout() {
  AdjustSize();
}

void TKvLabel::AdjustSize() {
  if (!m_autoSize)
    return;
  if (!m_measure)
    m_measure.emplace(m_font);
  const std::string text = m_caption.empty() ? std::string(" ") : m_caption;
  const TRect needed =
      m_measure->Measure(text, {0, 0, 1 << 16, 1 << 16}, tfLeft | tfExpandTabs | tfCalcRect);
  if (needed.Width() == Width() && needed.Height() == Height())
    return;
  SetBounds(Left(), Top(), needed.Width(), needed.Height());
}

void TKvLabel::PaintOn(TCanvas& canvas) {
  if (!m_transparent)
    canvas.FillRect(ClientRect(), m_color);
  const unsigned layout = m_autoSize ? tfLeft : m_alignment | tfSingleLine;
  canvas.DrawText(m_caption, ClientRect(), layout | tfExpandTabs, m_font,
                  EnabledInTree() ? m_fontColor : clGrayText);
}

void TKvLabel::Paint(TCanvas& canvas) {
  PaintOn(canvas);
}

void TKvLabel::MouseUp(const TMouseEvent& event) {
  if (event.Button == TMouseButton::Left && ClientRect().Contains(event.Position) &&
      EnabledInTree())
    Click();
}

void TKvLabel::Click() {
  if (OnClick)
    OnClick(this);
}

} // namespace controls
