#pragma once

#include "controls/Canvas.h"
#include "controls/WidgetCanvas.h"

#include <QString>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>

namespace controls {

// A label that draws its caption itself: '&' underlines the next character, tabs expand, no
// wrapping; transparent, it draws only its text over what its parent shows; with AutoSize it
// takes the size of its text, its left edge staying in place. A new caption is painted at the
// next paint, and at most once per MinPaintInterval: a caption set thousands of times a second
// (a download's progress) is measured and painted at the display's pace (its size follows
// within MinPaintInterval), its last value always shown.
class TKvLabel : public QWidget {
public:
  explicit TKvLabel(QWidget* parent = nullptr);

  std::function<void(TKvLabel* sender)> OnClick;

  const QString& Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool value);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool value);
  TColor Color() const { return m_color; }
  void SetColor(TColor value);
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor value);
  // Sets the font and sizes the label to its text again.
  void SetFont(const QFont& font);
  // Text alignment flags (tfLeft, tfCenter, tfRight, tfVCenter) for a label of fixed size.
  unsigned TextAlignment() const { return m_alignment; }
  void SetTextAlignment(unsigned flags);

  // The label's picture as it paints itself (without what a transparent label shows through).
  void PaintOn(TCanvas& canvas);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  virtual void Click();
  void AdjustSize();
  void changeEvent(QEvent* event) override;

public:
  static constexpr std::chrono::milliseconds MinPaintInterval{16};

private:
  // Asks for a paint now, or once MinPaintInterval has passed since the last one.
  void RequestPaint();

  QString m_caption;
  // The metrics of the current font, looked up on the first measure after a font change.
  std::optional<TTextMeasure> m_measure;
  QTimer m_paintTimer;
  bool m_sizePending = false;
  std::chrono::steady_clock::time_point m_lastPaint{};
  bool m_autoSize = true;
  bool m_transparent = false;
  TColor m_color = clBtnFace;
  TColor m_fontColor = clWindowText;
  unsigned m_alignment = tfLeft;
};

} // namespace controls
