#include "controls/TKvPanel.h"

#include "controls/ControlPainting.h"
#include "controls/TForm.h"

namespace controls {

TKvCustomPanel::TKvCustomPanel() = default;

void TKvCustomPanel::SetFont(const platform::TFontSpec& font) {
  SetAndInvalidate(m_font, font);
}

void TKvCustomPanel::SetTransparent(bool value) {
  if (value == m_transparent)
    return;
  m_transparent = value;
  // The children are inside the panel's rectangle: painted again with it.
  Invalidate();
}

TFrameParams TKvCustomPanel::FrameParams() const {
  TFrameParams frame;
  frame.outer = m_borderOuter;
  frame.inner = m_borderInner;
  frame.borderWidth = m_borderWidth;
  frame.sides = m_borderSides;
  if (m_visualStyle == vsGradient && m_gradientColorStyle != gcsCustom) {
    frame.flatColor = GetPanelFrameColor(m_gradientColorStyle);
    frame.flatColorAdjustment = 0;
  } else {
    frame.flatColor = m_flatColor;
    frame.flatColorAdjustment = m_flatColorAdjustment;
  }
  frame.color = m_color;
  frame.transparent = m_transparent;
  frame.softInnerFlat = false;
  return frame;
}

TRect TKvCustomPanel::ClientArea() const {
  // The frame's rectangle, measured by drawing it on a scratch picture.
  platform::TBitmap scratch(std::max(Width(), 1), std::max(Height(), 1));
  TCanvas canvas(scratch);
  return DrawControlFrame(canvas, ClientRect(), FrameParams());
}

void TKvCustomPanel::Paint(TCanvas& canvas) {
  PaintSelf(canvas);
  if (OnPaint)
    OnPaint(this);
}

void TKvCustomPanel::PaintSelf(TCanvas& canvas) {
  TRect r = ClientRect();
  r = DrawControlFrame(canvas, r, FrameParams());
  if (!m_transparent && m_paintClientArea) {
    if (m_visualStyle == vsGradient) {
      const TGradientColors colors =
          m_gradientColorStyle == gcsCustom
              ? TGradientColors{m_gradientColorStart, m_gradientColorStop}
              : GetPanelGradientColors(m_gradientColorStyle);
      DrawGradientRect(canvas, r, m_gradientDirection, colors.start, colors.stop, 1);
    } else {
      canvas.FillRect(r, m_color);
    }
  }
  if (!m_caption.empty()) {
    const TRect area = r.Inflated(-m_textMargin, 0);
    unsigned flags = m_alignment == taCenter         ? tfCenter
                     : m_alignment == taRightJustify ? tfRight
                                                     : tfLeft;
    flags |= tfVCenter | (m_wordWrap ? tfWordBreak : tfSingleLine);
    canvas.DrawText(m_caption, area, flags, m_font, EnabledInTree() ? clWindowText : clGrayText);
  }
}

platform::TBitmap TKvCustomPanel::Render() {
  // A transparent panel shows its parents' pictures; without parents, black.
  return RenderControl(*this, m_transparent && m_paintClientArea, 0xFF000000u);
}

TKvCustomGroupBox::TKvCustomGroupBox() {
  m_borderOuter = fsNone;
  m_borderInner = fsNone;
  m_alignment = taLeftJustify;
  SetBounds(0, 0, Width(), 105);
}

void TKvCustomGroupBox::SetCaption(const std::string& caption) {
  if (caption == m_caption)
    return;
  TKvCustomPanel::SetCaption(caption);
  SetAccelerator(AcceleratorOf(caption));
  AccessibleChanged(platform::TAccessibleChange::Name);
}

void TKvCustomGroupBox::AcceleratorPressed() {
  TForm* form = Form();
  if (!form)
    return;
  for (TControl* child : TabOrderList(*this)) {
    if (child->TabStop() && child->CanFocus()) {
      child->SetFocus();
      return;
    }
  }
}

void TKvCustomGroupBox::SetGroupStyle(TKvGroupBoxStyle value) {
  SetAndInvalidate(m_groupStyle, value);
}

void TKvCustomGroupBox::SetBannerHeight(int value) {
  SetAndInvalidate(m_bannerHeight, value);
}

void TKvCustomGroupBox::SetCaptionFont(const platform::TFontSpec& value) {
  m_captionFont = value;
  m_captionFontSet = true;
  Invalidate();
}

TRect TKvCustomGroupBox::ClientArea() const {
  TRect area = TKvCustomPanel::ClientArea();
  if (m_groupStyle == gsBanner) {
    if (m_bannerHeight != 0) {
      area.Top += m_bannerHeight;
    } else {
      platform::TBitmap scratch(1, 1);
      TCanvas canvas(scratch);
      area.Top += canvas.TextExtent("Yy", m_font).Height + 8;
    }
  }
  return area;
}

void TKvCustomGroupBox::PaintSelf(TCanvas& canvas) {
  if (m_groupStyle == gsBanner)
    PaintBanner(canvas);
  else
    PaintOtherStyle(canvas);
}

void TKvCustomGroupBox::PaintBanner(TCanvas& canvas) {
  const platform::TFontSpec captionFont = CaptionFont();
  const std::string& caption = m_caption;
  TRect banner;
  if (!m_caption.empty()) {
    const int cy = canvas.TextExtent(StripAccelerators(caption), captionFont).Height;
    banner = {0, 0, Width(), m_bannerHeight != 0 ? m_bannerHeight : cy + 6};
  }
  if (!m_transparent)
    canvas.FillRect({0, 0, Width(), Height()}, m_color);
  m_captionRect = {};
  if (m_caption.empty())
    return;
  const TBannerColors colors = m_gradientColorStyle == gcsCustom
                                   ? TBannerColors{m_gradientColorStart, m_gradientColorStop,
                                                   ShadeColor(m_flatColor, m_flatColorAdjustment)}
                                   : GetBannerColors(m_gradientColorStyle);
  const TRect& b = banner;
  canvas.Line(b.Left, b.Top + 1, b.Left, b.Bottom - 1, colors.frame);
  canvas.Line(b.Left + 1, b.Top, b.Right - 1, b.Top, colors.frame);
  canvas.Line(b.Right - 1, b.Top + 1, b.Right - 1, b.Bottom - 1, colors.frame);
  canvas.Line(b.Left + 1, b.Bottom - 1, b.Right - 1, b.Bottom - 1, colors.frame);
  const TRect inside = banner.Inflated(-1, -1);
  DrawGradientRect(canvas, inside, gdHorizontalEnd, colors.start, colors.stop, 1);
  m_captionRect = inside.Inflated(-4, -1);
  unsigned flags = tfSingleLine | tfVCenter;
  if (m_alignment == taCenter)
    flags |= tfCenter;
  else if (m_alignment == taRightJustify)
    flags |= tfRight;
  canvas.ClearClip();
  canvas.DrawText(caption, m_captionRect, flags, captionFont,
                  EnabledInTree() ? clWindowText : clGrayText);
}

// The other group styles, of our own design: a body, and the caption over a line or a frame.
void TKvCustomGroupBox::PaintOtherStyle(TCanvas& canvas) {
  if (!m_transparent)
    canvas.FillRect({0, 0, Width(), Height()}, m_color);
  const platform::TFontSpec captionFont = CaptionFont();
  const std::string& caption = m_caption;
  const TSize text = canvas.TextExtent(StripAccelerators(caption), captionFont);
  const int middle = m_caption.empty() ? 0 : text.Height / 2;
  const TColor line = ShadeColor(m_flatColor, m_flatColorAdjustment);
  switch (m_groupStyle) {
  case gsTopLine:
  case gsUnderline:
    canvas.Line(0, m_groupStyle == gsTopLine ? middle : text.Height + 1, Width(),
                m_groupStyle == gsTopLine ? middle : text.Height + 1, line);
    break;
  case gsFlat:
    canvas.FrameRect({0, middle, Width(), Height()}, line, 1);
    break;
  default:
    DrawEdgeLines(
        canvas,
        DrawEdgeLines(canvas, {0, middle, Width(), Height()}, clBtnShadow, clBtnHighlight, sdAll),
        clBtnHighlight, clBtnShadow, sdAll);
    break;
  }
  if (m_caption.empty())
    return;
  m_captionRect = {8, 0, 8 + text.Width + 4, text.Height};
  if (!m_transparent || m_groupStyle != gsUnderline)
    canvas.FillRect(m_captionRect, m_transparent ? clBtnFace : m_color);
  canvas.DrawText(caption, m_captionRect.Inflated(-2, 0), tfSingleLine, captionFont,
                  EnabledInTree() ? clWindowText : clGrayText);
}

} // namespace controls
