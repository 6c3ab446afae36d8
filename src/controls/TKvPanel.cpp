#include "controls/TKvPanel.h"

#include <QKeySequence>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>

namespace controls {

TKvCustomPanel::TKvCustomPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TKvCustomPanel::Changed() {
  update();
}

void TKvCustomPanel::SetTransparent(bool value) {
  if (value == m_transparent)
    return;
  m_transparent = value;
  setAttribute(Qt::WA_OpaquePaintEvent, !value);
  update();
  for (QWidget* child : findChildren<QWidget*>())
    child->update();
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
  platform::TBitmap scratch(std::max(width(), 1), std::max(height(), 1));
  TCanvas canvas(scratch);
  return DrawControlFrame(canvas, {0, 0, width(), height()}, FrameParams());
}

void TKvCustomPanel::Paint(TCanvas& canvas) {
  TRect r{0, 0, width(), height()};
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
  if (!m_caption.isEmpty()) {
    const TRect area = r.Inflated(-m_textMargin, 0);
    unsigned flags = m_alignment == taCenter         ? tfCenter
                     : m_alignment == taRightJustify ? tfRight
                                                     : tfLeft;
    flags |= tfVCenter | (m_wordWrap ? tfWordBreak : tfSingleLine);
    canvas.DrawText(m_caption.toStdString(), area, flags, FontSpec(font()),
                    isEnabled() ? clWindowText : clGrayText);
  }
}

void TKvCustomPanel::PaintInto(QPainter& painter, const QRect& exposed) {
  if (m_transparent && m_paintClientArea)
    CopyParentBackground(*this, painter);
  PaintThroughCanvas(
      painter, width(), height(), [this](TCanvas& canvas) { Paint(canvas); }, exposed);
  if (OnPaint)
    OnPaint(this);
}

void TKvCustomPanel::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  PaintInto(painter, event->rect());
}

QImage TKvCustomPanel::Render() {
  QImage image(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  PaintInto(painter, image.rect());
  return image;
}

TKvCustomGroupBox::TKvCustomGroupBox(QWidget* parent) : TKvCustomPanel(parent) {
  m_borderOuter = fsNone;
  m_borderInner = fsNone;
  m_alignment = taLeftJustify;
  resize(width(), 105);
}

void TKvCustomGroupBox::SetCaption(const QString& caption) {
  if (caption == m_caption)
    return;
  TKvCustomPanel::SetCaption(caption);
  delete m_accelerator;
  m_accelerator = nullptr;
  const QKeySequence key = QKeySequence::mnemonic(caption);
  if (key.isEmpty())
    return;
  m_accelerator = new QShortcut(key, this);
  QObject::connect(m_accelerator, &QShortcut::activated, this, [this] {
    for (QWidget* child : findChildren<QWidget*>()) {
      if (child->focusPolicy() & Qt::TabFocus && child->isEnabled() && child->isVisible()) {
        child->setFocus(Qt::ShortcutFocusReason);
        return;
      }
    }
  });
}

void TKvCustomGroupBox::SetGroupStyle(TKvGroupBoxStyle value) {
  if (value == m_groupStyle)
    return;
  m_groupStyle = value;
  update();
}

void TKvCustomGroupBox::SetBannerHeight(int value) {
  if (value == m_bannerHeight)
    return;
  m_bannerHeight = value;
  update();
}

void TKvCustomGroupBox::SetCaptionFont(const QFont& value) {
  m_captionFont = value;
  m_captionFontSet = true;
  update();
}

TRect TKvCustomGroupBox::ClientArea() const {
  TRect area = TKvCustomPanel::ClientArea();
  if (m_groupStyle == gsBanner) {
    if (m_bannerHeight != 0) {
      area.Top += m_bannerHeight;
    } else {
      platform::TBitmap scratch(1, 1);
      TCanvas canvas(scratch);
      area.Top += canvas.TextExtent("Yy", FontSpec(font())).Height + 8;
    }
  }
  return area;
}

void TKvCustomGroupBox::Paint(TCanvas& canvas) {
  if (m_groupStyle == gsBanner)
    PaintBanner(canvas);
  else
    PaintOtherStyle(canvas);
}

void TKvCustomGroupBox::PaintBanner(TCanvas& canvas) {
  const platform::TFontSpec captionFont = FontSpec(CaptionFont());
  const std::string caption = m_caption.toStdString();
  TRect banner;
  if (!m_caption.isEmpty()) {
    const int cy = canvas.TextExtent(StripAccelerators(caption), captionFont).Height;
    banner = {0, 0, width(), m_bannerHeight != 0 ? m_bannerHeight : cy + 6};
  }
  if (!m_transparent)
    canvas.FillRect({0, 0, width(), height()}, m_color);
  m_captionRect = {};
  if (m_caption.isEmpty())
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
  const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
  if (m_alignment == taCenter)
    flags |= tfCenter;
  else if ((m_alignment == taRightJustify) != rightToLeft)
    flags |= tfRight;
  canvas.ClearClip();
  canvas.DrawText(caption, m_captionRect, flags, captionFont,
                  isEnabled() ? clWindowText : clGrayText);
}

// The other group styles, of our own design: a body, and the caption over a line or a frame.
void TKvCustomGroupBox::PaintOtherStyle(TCanvas& canvas) {
  if (!m_transparent)
    canvas.FillRect({0, 0, width(), height()}, m_color);
  const platform::TFontSpec captionFont = FontSpec(CaptionFont());
  const std::string caption = m_caption.toStdString();
  const TSize text = canvas.TextExtent(StripAccelerators(caption), captionFont);
  const int middle = m_caption.isEmpty() ? 0 : text.Height / 2;
  const TColor line = ShadeColor(m_flatColor, m_flatColorAdjustment);
  switch (m_groupStyle) {
  case gsTopLine:
  case gsUnderline:
    canvas.Line(0, m_groupStyle == gsTopLine ? middle : text.Height + 1, width(),
                m_groupStyle == gsTopLine ? middle : text.Height + 1, line);
    break;
  case gsFlat:
    canvas.FrameRect({0, middle, width(), height()}, line, 1);
    break;
  default:
    DrawEdgeLines(
        canvas,
        DrawEdgeLines(canvas, {0, middle, width(), height()}, clBtnShadow, clBtnHighlight, sdAll),
        clBtnHighlight, clBtnShadow, sdAll);
    break;
  }
  if (m_caption.isEmpty())
    return;
  m_captionRect = {8, 0, 8 + text.Width + 4, text.Height};
  if (!m_transparent || m_groupStyle != gsUnderline)
    canvas.FillRect(m_captionRect, m_transparent ? clBtnFace : m_color);
  canvas.DrawText(caption, m_captionRect.Inflated(-2, 0), tfSingleLine, captionFont,
                  isEnabled() ? clWindowText : clGrayText);
}

} // namespace controls
