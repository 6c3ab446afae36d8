#include "controls/TKvLabel.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace controls {

TKvLabel::TKvLabel(QWidget* parent) : QWidget(parent) {
  m_paintTimer.setSingleShot(true);
  QObject::connect(&m_paintTimer, &QTimer::timeout, this, [this] {
    if (m_sizePending) {
      m_sizePending = false;
      AdjustSize();
    }
    update();
  });
  AdjustSize();
}

void TKvLabel::RequestPaint() {
  if (m_paintTimer.isActive())
    return; // the paint already asked for will show the newest caption
  const auto since = std::chrono::steady_clock::now() - m_lastPaint;
  if (since >= MinPaintInterval) {
    update();
    return;
  }
  m_paintTimer.start(std::chrono::ceil<std::chrono::milliseconds>(MinPaintInterval - since));
}

void TKvLabel::SetCaption(const QString& caption) {
  if (caption == m_caption)
    return;
  m_caption = caption;
  if (m_paintTimer.isActive()) {
    // A paint is already due: it sizes the label to the newest caption first. Captions set
    // many times in a row are measured and painted at the display's pace, not each time.
    m_sizePending = true;
    return;
  }
  AdjustSize();
  RequestPaint();
}

void TKvLabel::SetAutoSize(bool value) {
  if (value == m_autoSize)
    return;
  m_autoSize = value;
  AdjustSize();
}

void TKvLabel::SetTransparent(bool value) {
  if (value == m_transparent)
    return;
  m_transparent = value;
  setAttribute(Qt::WA_OpaquePaintEvent, !value);
  update();
}

void TKvLabel::SetColor(TColor value) {
  if (value == m_color)
    return;
  m_color = value;
  update();
}

void TKvLabel::SetFontColor(TColor value) {
  if (value == m_fontColor)
    return;
  m_fontColor = value;
  update();
}

void TKvLabel::SetFont(const QFont& font) {
  setFont(font);
  m_measure.reset();
  AdjustSize();
}

void TKvLabel::SetTextAlignment(unsigned flags) {
  if (flags == m_alignment)
    return;
  m_alignment = flags;
  update();
}

void TKvLabel::AdjustSize() {
  if (!m_autoSize)
    return;
  if (!m_measure)
    m_measure.emplace(FontSpec(font()));
  const std::string text = m_caption.isEmpty() ? std::string(" ") : m_caption.toStdString();
  const TRect needed =
      m_measure->Measure(text, {0, 0, 1 << 16, 1 << 16}, tfLeft | tfExpandTabs | tfCalcRect);
  resize(needed.Width(), needed.Height());
}

void TKvLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange)
    m_measure.reset();
  QWidget::changeEvent(event);
}

void TKvLabel::PaintOn(TCanvas& canvas) {
  if (!m_transparent)
    canvas.FillRect({0, 0, width(), height()}, m_color);
  const unsigned layout = m_autoSize ? tfLeft : m_alignment | tfSingleLine;
  canvas.DrawText(m_caption.toStdString(), {0, 0, width(), height()}, layout | tfExpandTabs,
                  FontSpec(font()), isEnabled() ? m_fontColor : clGrayText);
}

void TKvLabel::paintEvent(QPaintEvent* event) {
  m_lastPaint = std::chrono::steady_clock::now();
  QPainter painter(this);
  PaintThroughCanvas(
      painter, width(), height(), [this](TCanvas& canvas) { PaintOn(canvas); }, event->rect());
}

void TKvLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      isEnabled())
    Click();
  QWidget::mouseReleaseEvent(event);
}

void TKvLabel::Click() {
  if (OnClick)
    OnClick(this);
}

} // namespace controls
