#pragma once

#include "controls/Canvas.h"
#include "controls/WidgetCanvas.h"

#include <QString>
#include <QWidget>
#include <functional>

namespace controls {

enum TKvHotTrackColorType { htctComplement, htctActual };
enum TAlignmentVertical { avTop, avCenter, avBottom };

// A push button that draws itself; with HotTrack a soft gradient face that lights up with a
// coloured ring under the mouse. Clicks by mouse (released inside), space (on release), Enter
// while active, Escape with Cancel, and its accelerator.
class TKvCustomButton : public QWidget {
public:
  explicit TKvCustomButton(QWidget* parent = nullptr);
  ~TKvCustomButton() override;

  std::function<void(TKvCustomButton* sender)> OnClick;
  std::function<void(TKvCustomButton* sender)> OnMouseEnter;
  std::function<void(TKvCustomButton* sender)> OnMouseLeave;

  const QString& Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  bool HotTrack() const { return m_hotTrack; }
  void SetHotTrack(bool value);
  TColor HotTrackColor() const { return m_hotTrackColor; }
  void SetHotTrackColor(TColor value) { Set(m_hotTrackColor, value); }
  TKvHotTrackColorType HotTrackColorType() const { return m_hotTrackColorType; }
  void SetHotTrackColorType(TKvHotTrackColorType value) { Set(m_hotTrackColorType, value); }
  TColor HighlightColor() const { return m_highlightColor; }
  void SetHighlightColor(TColor value) { Set(m_highlightColor, value); }
  TColor FrameColor() const { return m_frameColor; }
  void SetFrameColor(TColor value) { Set(m_frameColor, value); }
  TColor Color() const { return m_color; }
  void SetColor(TColor value) { Set(m_color, value); }
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor value) { Set(m_fontColor, value); }
  bool ShowFocusRect() const { return m_showFocusRect; }
  void SetShowFocusRect(bool value) { Set(m_showFocusRect, value); }
  bool Default() const { return m_default; }
  void SetDefault(bool value);
  bool Cancel() const { return m_cancel; }
  void SetCancel(bool value) { m_cancel = value; }
  int GroupIndex() const { return m_groupIndex; }
  void SetGroupIndex(int value) { Set(m_groupIndex, value); }
  TAlignmentVertical AlignmentVertical() const { return m_alignmentVertical; }
  void SetAlignmentVertical(TAlignmentVertical value) { Set(m_alignmentVertical, value); }
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int value) { m_modalResult = value; }

  bool Hot() const { return m_hot; }
  bool Pressed() const { return m_pressed; }
  bool Active() const { return m_active; }

  // Copies ModalResult to the form and raises OnClick.
  void Click();
  // The button's picture, the parent's colour showing where the ring leaves the corners open.
  QImage Render();
  // The caption rectangle for the client area.
  TRect CaptionRect() const { return {5, 5, width() - 5, height() - 5}; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

private:
  template <typename T> void Set(T& member, T value) {
    if (member == value)
      return;
    member = value;
    update();
  }
  void Paint(TCanvas& canvas);
  void PaintPlainFace(TCanvas& canvas, const TRect& r);
  void PaintCaption(TCanvas& canvas);
  void ClickAction();
  void FocusMoved(QWidget* now);
  QChar Accelerator() const;

  QString m_caption;
  bool m_hotTrack = false;
  TColor m_hotTrackColor = RGB(240, 155, 20);
  TKvHotTrackColorType m_hotTrackColorType = htctActual;
  TColor m_highlightColor = clHighlight;
  TColor m_frameColor = cl3DDkShadow;
  TColor m_color = clBtnFace;
  TColor m_fontColor = clWindowText;
  bool m_showFocusRect = true;
  bool m_default = false;
  bool m_cancel = false;
  int m_groupIndex = 0;
  TAlignmentVertical m_alignmentVertical = avCenter;
  int m_modalResult = 0;

  bool m_hot = false;
  bool m_pressed = false;
  bool m_dragging = false;
  bool m_keyToggle = false;
  bool m_active = false;
  QMetaObject::Connection m_focusWatch;
};

class TKvButton : public TKvCustomButton {
public:
  using TKvCustomButton::TKvCustomButton;
};

} // namespace controls
