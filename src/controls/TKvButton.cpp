#include "controls/TKvButton.h"

#include "controls/FormKeyboard.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace controls {

TKvCustomButton::TKvCustomButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  resize(75, 25);
  FormKeyboard::Install();
  m_focusWatch = QObject::connect(qApp, &QApplication::focusChanged, this,
                                  [this](QWidget*, QWidget* now) { FocusMoved(now); });
}

TKvCustomButton::~TKvCustomButton() {
  QObject::disconnect(m_focusWatch);
}

void TKvCustomButton::SetCaption(const QString& caption) {
  if (caption == m_caption)
    return;
  m_caption = caption;
  if (isVisible())
    repaint();
}

void TKvCustomButton::SetHotTrack(bool value) {
  if (value == m_hotTrack)
    return;
  m_hotTrack = value;
  // Hot tracking makes the button transparent: its corners show the parent.
  setAttribute(Qt::WA_OpaquePaintEvent, !value);
  update();
}

void TKvCustomButton::SetDefault(bool value) {
  if (value == m_default)
    return;
  m_default = value;
  FocusMoved(QApplication::focusWidget());
  update();
}

void TKvCustomButton::FocusMoved(QWidget* now) {
  if (window() != (now ? now->window() : window()) && now)
    return;
  const bool isButton =
      now && (dynamic_cast<TKvCustomButton*>(now) || now->inherits("QAbstractButton"));
  const bool active = isButton ? now == this : m_default;
  if (active == m_active)
    return;
  m_active = active;
  if (isVisible())
    repaint();
}

QChar TKvCustomButton::Accelerator() const {
  for (qsizetype i = 0; i + 1 < m_caption.size(); ++i) {
    if (m_caption[i] == QLatin1Char('&')) {
      if (m_caption[i + 1] != QLatin1Char('&'))
        return m_caption[i + 1].toUpper();
      ++i;
    }
  }
  return {};
}

void TKvCustomButton::Click() {
  // The form's modal result: this window has none to set.
  if (OnClick)
    OnClick(this);
}

void TKvCustomButton::ClickAction() {
  if (m_groupIndex != 0)
    return;
  update();
  Click();
}

void TKvCustomButton::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton || !isEnabled())
    return;
  setFocus(Qt::MouseFocusReason);
  if (hasFocus()) {
    m_pressed = true;
    m_dragging = true;
    update();
  }
}

void TKvCustomButton::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!m_dragging)
    return;
  const bool inside = rect().contains(event->position().toPoint());
  if (inside != m_pressed) {
    m_pressed = inside;
    update();
  }
}

void TKvCustomButton::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (!m_dragging || event->button() != Qt::LeftButton)
    return;
  m_dragging = false;
  m_pressed = false;
  update();
  if (rect().contains(event->position().toPoint()))
    ClickAction();
}

void TKvCustomButton::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  m_hot = true;
  if (OnMouseEnter)
    OnMouseEnter(this);
  update();
}

void TKvCustomButton::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  m_hot = false;
  if (OnMouseLeave)
    OnMouseLeave(this);
  update();
}

void TKvCustomButton::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Space && !(modifiers & Qt::AltModifier)) {
    if (!event->isAutoRepeat()) {
      m_keyToggle = true;
      m_pressed = true;
      update();
    }
    event->accept();
    return;
  }
  const bool plain = modifiers == Qt::NoModifier;
  if (plain && (((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_active) ||
                (event->key() == Qt::Key_Escape && m_cancel))) {
    Click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TKvCustomButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    m_pressed = false;
    update();
    if (m_keyToggle)
      ClickAction();
    event->accept();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

bool TKvCustomButton::event(QEvent* event) {
  // The accelerator of the caption ('&' before a letter), pressed with Alt or, when the
  // button has the focus, alone.
  if (event->type() == QEvent::KeyPress && isEnabled()) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QChar accelerator = Accelerator();
    if (!accelerator.isNull() && key->text().size() == 1 &&
        key->text()[0].toUpper() == accelerator && (key->modifiers() & Qt::AltModifier)) {
      Click();
      return true;
    }
  }
  return QWidget::event(event);
}

void TKvCustomButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (isVisible())
    repaint();
}

void TKvCustomButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  m_keyToggle = false;
  m_pressed = false;
  if (isVisible())
    repaint();
}

void TKvCustomButton::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled() && hasFocus())
      clearFocus();
    m_pressed = false;
    m_dragging = false;
    update();
  }
}

void TKvCustomButton::PaintPlainFace(TCanvas& canvas, const TRect& r) {
  canvas.Line(r.Left, r.Bottom - 2, r.Right, r.Bottom - 2, ShadeDarker(m_color, 20));
  canvas.Line(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, ShadeDarker(m_color, 30));
  const TRect face{r.Left, r.Top, r.Right, r.Bottom - 2};
  if (FullColor())
    DrawGradientRect(canvas, face, gdHorizontalEnd, ShadeLighter(m_color, 30),
                     ShadeDarker(m_color, 10), 1);
  else
    canvas.FillRect(face, m_color);
}

void TKvCustomButton::Paint(TCanvas& canvas) {
  const int w = width(), h = height();
  const bool enabled = isEnabled();
  const TColor parentColor = clBtnFace;
  const TColor ul = enabled ? ShadeDarker(parentColor, 20) : parentColor;
  const TColor lr = enabled ? ShadeLighter(parentColor, 20) : parentColor;
  canvas.Line(0, 2, 0, h - 2, ul);
  canvas.Line(2, 0, w - 2, 0, ul);
  canvas.Line(w - 1, 2, w - 1, h - 2, lr);
  canvas.Line(2, h - 1, w - 2, h - 1, lr);
  canvas.Pixel(1, 1, ul);
  canvas.Pixel(w - 2, 1, ul);
  canvas.Pixel(1, h - 2, ul);
  canvas.Pixel(w - 2, h - 2, lr);

  const TColor frame =
      enabled ? m_frameColor
              : (m_color == clBtnFace ? ShadeLighter(clBtnShadow, 30) : ShadeDarker(m_color, 80));
  canvas.Line(1, 2, 1, h - 2, frame);
  canvas.Line(2, 1, w - 2, 1, frame);
  canvas.Line(w - 2, 2, w - 2, h - 2, frame);
  canvas.Line(2, h - 2, w - 2, h - 2, frame);

  const TRect face{2, 2, w - 2, h - 2};
  if (!enabled) {
    canvas.FillRect(face, m_color);
  } else if (m_pressed) {
    canvas.FillRect(face, ShadeDarker(m_color, 10));
  } else if (m_hot) {
    PaintPlainFace(canvas, face);
    TColor c1, c2;
    if (m_hotTrackColorType == htctActual) {
      c1 = MixColors(clWhite, m_hotTrackColor, 190);
      c2 = m_hotTrackColor;
    } else {
      c1 = OppositeHueColor(m_hotTrackColor, 180);
      c2 = ShadeDarker(c1, 30);
    }
    DrawGradientRing(canvas, face, gdHorizontalEnd, c1, c2);
  } else if (m_groupIndex != 0 || !(m_active || hasFocus())) {
    PaintPlainFace(canvas, face);
  } else {
    PaintPlainFace(canvas, face);
    const TColor b = ShadeLighter(m_color, 30);
    const TColor f = AreColorsClose(m_highlightColor, clBtnFace) ? ShadeDarker(m_highlightColor, 30)
                                                                 : m_highlightColor;
    DrawGradientRing(canvas, face, gdHorizontalEnd, MixColors(f, b, 60), MixColors(f, b, 160));
  }
  PaintCaption(canvas);
  if (hasFocus() && m_showFocusRect && FormKeyboard::CuesShown())
    DrawDottedFocusFrame(canvas, {3, 3, w - 3, h - 3});
}

void TKvCustomButton::PaintCaption(TCanvas& canvas) {
  // Accelerators are underlined only while the keyboard cues are shown.
  const bool cues = FormKeyboard::CuesShown();
  const std::string text =
      cues ? m_caption.toStdString() : StripAccelerators(m_caption.toStdString());
  const platform::TFontSpec captionFont = FontSpec(font());
  const unsigned prefix = cues ? 0u : unsigned(tfNoPrefix);
  TRect r = CaptionRect();
  const TRect measured = canvas.DrawText(
      text, r, tfCalcRect | tfWordBreak | tfExpandTabs | tfVCenter | tfCenter | prefix, captionFont,
      m_fontColor);
  const int h = measured.Height();
  switch (m_alignmentVertical) {
  case avCenter:
    r.Top = (r.Bottom + r.Top - h) / 2;
    r.Bottom = r.Top + h;
    break;
  case avTop:
    r.Bottom = r.Top + h;
    break;
  case avBottom:
    r.Top = r.Bottom - h - 1;
    break;
  }
  const TColor color =
      isEnabled() ? m_fontColor : (AreColorsClose(m_color, clGrayText) ? cl3DDkShadow : clGrayText);
  canvas.DrawText(text, r, tfCenter | tfWordBreak | tfExpandTabs | prefix, captionFont, color);
}

void TKvCustomButton::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  if (m_hotTrack) {
    // The three outermost pixels of each corner show the parent.
    CopyParentBackground(*this, painter);
  }
  PaintThroughCanvas(
      painter, width(), height(), [this](TCanvas& canvas) { Paint(canvas); }, event->rect());
}

QImage TKvCustomButton::Render() {
  QImage image(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
  image.fill(ToQColor(clBtnFace));
  QPainter painter(&image);
  if (m_hotTrack)
    CopyParentBackground(*this, painter);
  PaintThroughCanvas(painter, width(), height(), [this](TCanvas& canvas) { Paint(canvas); });
  painter.end();
  return image;
}

} // namespace controls
