#pragma once

#include "controls/Canvas.h"
#include "controls/TControl.h"
#include "platform/TextEngine.h"

#include <functional>
#include <string>

namespace controls {

enum TKvHotTrackColorType { htctComplement, htctActual };
enum TAlignmentVertical { avTop, avCenter, avBottom };

// A push button that draws itself; with HotTrack a soft gradient face that lights up with a
// coloured ring under the mouse. Clicks by mouse (released inside), space (on release), Enter
// while active, Escape with Cancel (both through the form), and its accelerator.
class TKvCustomButton : public TControl {
public:
  TKvCustomButton();

  std::function<void(TKvCustomButton* sender)> OnClick;
  std::function<void(TKvCustomButton* sender)> OnMouseEnter;
  std::function<void(TKvCustomButton* sender)> OnMouseLeave;

  const std::string& Caption() const { return m_caption; }
  // '&' before a letter or digit makes it the button's accelerator.
  void SetCaption(const std::string& caption);
  const platform::TFontSpec& Font() const { return m_font; }
  void SetFont(const platform::TFontSpec& font) { SetAndInvalidate(m_font, font); }
  bool HotTrack() const { return m_hotTrack; }
  void SetHotTrack(bool value);
  TColor HotTrackColor() const { return m_hotTrackColor; }
  void SetHotTrackColor(TColor value) { SetAndInvalidate(m_hotTrackColor, value); }
  TKvHotTrackColorType HotTrackColorType() const { return m_hotTrackColorType; }
  void SetHotTrackColorType(TKvHotTrackColorType value) {
    SetAndInvalidate(m_hotTrackColorType, value);
  }
  TColor HighlightColor() const { return m_highlightColor; }
  void SetHighlightColor(TColor value) { SetAndInvalidate(m_highlightColor, value); }
  TColor FrameColor() const { return m_frameColor; }
  void SetFrameColor(TColor value) { SetAndInvalidate(m_frameColor, value); }
  TColor Color() const { return m_color; }
  void SetColor(TColor value) { SetAndInvalidate(m_color, value); }
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor value) { SetAndInvalidate(m_fontColor, value); }
  bool ShowFocusRect() const { return m_showFocusRect; }
  void SetShowFocusRect(bool value) { SetAndInvalidate(m_showFocusRect, value); }
  void SetDefault(bool value);
  int GroupIndex() const { return m_groupIndex; }
  void SetGroupIndex(int value) { SetAndInvalidate(m_groupIndex, value); }
  TAlignmentVertical AlignmentVertical() const { return m_alignmentVertical; }
  void SetAlignmentVertical(TAlignmentVertical value) {
    SetAndInvalidate(m_alignmentVertical, value);
  }
  int ModalResult() const { return m_modalResult; }
  void SetModalResult(int value) { m_modalResult = value; }

  bool Hot() const { return m_hot; }
  bool Pressed() const { return m_pressed; }
  // Enter clicks the active button: the focused button, or the Default one while no button
  // has the focus.
  bool Active();

  // Copies ModalResult to the form and raises OnClick.
  void Click() override;
  // The button's picture, the parent's picture showing where the ring leaves the corners open.
  platform::TBitmap Render();
  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::PushButton;
  }
  std::string AccessibleName() const override;
  unsigned AccessibleState() const override;
  std::string AccessibleDefaultAction() const override { return "press"; }
  bool DoAccessibleDefaultAction() override;

  // The caption rectangle for the client area.
  TRect CaptionRect() const { return {5, 5, Width() - 5, Height() - 5}; }

protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& event) override;
  void MouseMove(const TMouseEvent& event) override;
  void MouseUp(const TMouseEvent& event) override;
  void MouseCaptureLost() override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool KeyDown(const TKeyEvent& event) override;
  void KeyUp(const TKeyEvent& event) override;
  void FocusIn() override;
  void FocusOut() override;

private:
  void PaintPlainFace(TCanvas& canvas, const TRect& r);
  void PaintCaption(TCanvas& canvas, bool cues);
  void ClickAction();
  // The buttons of the form whose active state may have changed with the focus.
  void InvalidateButtons();

  std::string m_caption;
  platform::TFontSpec m_font;
  bool m_hotTrack = false;
  TColor m_hotTrackColor = RGB(240, 155, 20);
  TKvHotTrackColorType m_hotTrackColorType = htctActual;
  TColor m_highlightColor = clHighlight;
  TColor m_frameColor = cl3DDkShadow;
  TColor m_color = clBtnFace;
  TColor m_fontColor = clWindowText;
  bool m_showFocusRect = true;
  int m_groupIndex = 0;
  TAlignmentVertical m_alignmentVertical = avCenter;
  int m_modalResult = 0;

  bool m_hot = false;
  bool m_pressed = false;
  bool m_dragging = false;
  bool m_keyToggle = false;
};

class TKvButton : public TKvCustomButton {
public:
  using TKvCustomButton::TKvCustomButton;
};

} // namespace controls
