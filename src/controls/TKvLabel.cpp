#include "controls/TKvLabel.h"

#include "controls/Frames.h"
#include "controls/Gradient.h"
#include "controls/TForm.h"
#include "controls/TKvPanel.h"

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

std::vector<TColor> TKvLabel::Backdrop() {
  if (!m_transparent)
    return {m_color};
  for (TControl* each = Parent(); each; each = each->Parent()) {
    if (auto* panel = dynamic_cast<TKvCustomPanel*>(each)) {
      if (panel->Transparent() || !panel->PaintClientArea())
        continue;
      if (panel->VisualStyle() != vsGradient)
        return {panel->Color()};
      const TGradientColors colors =
          panel->GradientColorStyle() == gcsCustom
              ? TGradientColors{panel->GradientColorStart(), panel->GradientColorStop()}
              : GetPanelGradientColors(panel->GradientColorStyle());
      return {colors.start, colors.stop};
    }
    if (auto* form = dynamic_cast<TForm*>(each)) {
      const std::uint32_t pixel = form->Color();
      return {RGB(static_cast<int>(pixel >> 16), static_cast<int>(pixel >> 8),
                  static_cast<int>(pixel))};
    }
  }
  return {};
}

std::vector<TColor> TKvLabel::InkAlternatives() const {
  return {clWindowText};
}

TColor TKvLabel::InkColor() {
  if (!EnabledInTree())
    return clGrayText;
  return ReadableColor(m_fontColor, Backdrop(), TextContrast, InkAlternatives());
}

void TKvLabel::PaintOn(TCanvas& canvas) {
  if (!m_transparent)
    canvas.FillRect(ClientRect(), m_color);
  const unsigned layout = m_autoSize ? tfLeft : m_alignment | tfSingleLine;
  canvas.DrawText(m_caption, ClientRect(), layout | tfExpandTabs, m_font, InkColor());
}

void TKvLabel::Paint(TCanvas& canvas) {
  PaintOn(canvas);
  TForm* form = Form();
  if (Focused() && form && form->CuesShown())
    DrawDottedFocusFrame(canvas, ClientRect(),
                         ReadableColor(clBlack, Backdrop(), MarkContrast, {clWindowText}));
}

void TKvLabel::FocusIn() {
  Invalidate();
}

void TKvLabel::FocusOut() {
  Invalidate();
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
