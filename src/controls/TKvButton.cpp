#include "controls/TKvButton.h"

#include "controls/ControlPainting.h"
#include "controls/Frames.h"
#include "controls/Gradient.h"
#include "controls/TForm.h"

#include <algorithm>

namespace controls {

TKvCustomButton::TKvCustomButton() {
  SetAcceptsFocus(true);
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TKvCustomButton::SetCaption(const std::string& caption) {
  if (caption == m_caption)
    return;
  m_caption = caption;
  SetAccelerator(AcceleratorOf(caption));
  Invalidate();
  AccessibleChanged(platform::TAccessibleChange::Name);
}

std::string TKvCustomButton::AccessibleName() const {
  return StripAccelerators(m_caption);
}

unsigned TKvCustomButton::AccessibleState() const {
  unsigned state = TControl::AccessibleState();
  if (Default())
    state |= platform::asDefault;
  if (m_pressed)
    state |= platform::asPressed;
  return state;
}

bool TKvCustomButton::DoAccessibleDefaultAction() {
  if (!Showing() || !EnabledInTree())
    return false;
  Click();
  return true;
}

void TKvCustomButton::SetHotTrack(bool value) {
  SetAndInvalidate(m_hotTrack, value);
}

void TKvCustomButton::SetDefault(bool value) {
  if (value == Default())
    return;
  TControl::SetDefault(value);
  Invalidate();
}

bool TKvCustomButton::Active() {
  TForm* form = Form();
  TControl* focused = form ? form->FocusedControl() : nullptr;
  if (dynamic_cast<TKvCustomButton*>(focused))
    return focused == this;
  return Default();
}

void TKvCustomButton::InvalidateButtons() {
  TForm* form = Form();
  if (!form)
    return;
  for (TControl* control : TabOrderList(*form)) {
    if (auto* button = dynamic_cast<TKvCustomButton*>(control))
      button->Invalidate();
  }
}

void TKvCustomButton::Click() {
  // The form's modal result: this window has none to set.
  if (OnClick)
    OnClick(this);
}

void TKvCustomButton::ClickAction() {
  if (m_groupIndex != 0)
    return;
  Invalidate();
  Click();
}

void TKvCustomButton::MouseDown(const TMouseEvent& event) {
  if (event.Button != TMouseButton::Left || !EnabledInTree())
    return;
  // The form has focused the button already, when it could.
  if (Focused()) {
    m_pressed = true;
    m_dragging = true;
    Invalidate();
  }
}

void TKvCustomButton::MouseMove(const TMouseEvent& event) {
  if (!m_dragging)
    return;
  const bool inside = ClientRect().Contains(event.Position);
  if (inside != m_pressed) {
    m_pressed = inside;
    Invalidate();
  }
}

void TKvCustomButton::MouseUp(const TMouseEvent& event) {
  if (!m_dragging || event.Button != TMouseButton::Left)
    return;
  m_dragging = false;
  m_pressed = false;
  Invalidate();
  if (ClientRect().Contains(event.Position))
    ClickAction();
}

void TKvCustomButton::MouseCaptureLost() {
  m_dragging = false;
  m_pressed = false;
  Invalidate();
}

void TKvCustomButton::MouseEnter() {
  m_hot = true;
  if (OnMouseEnter)
    OnMouseEnter(this);
  Invalidate();
}

void TKvCustomButton::MouseLeave() {
  m_hot = false;
  if (OnMouseLeave)
    OnMouseLeave(this);
  Invalidate();
}

bool TKvCustomButton::KeyDown(const TKeyEvent& event) {
  if (event.Key == TKey::Space && !(event.Shift & platform::ssAlt)) {
    if (!m_keyToggle) {
      // Held down, the key repeats: the button stays pressed until it is released.
      m_keyToggle = true;
      m_pressed = true;
      Invalidate();
    }
    return true;
  }
  if (event.Key == TKey::Enter &&
      (event.Shift & (platform::ssShift | platform::ssCtrl | platform::ssAlt)) == 0) {
    Click();
    return true;
  }
  return false;
}

void TKvCustomButton::KeyUp(const TKeyEvent& event) {
  if (event.Key != TKey::Space)
    return;
  m_pressed = false;
  Invalidate();
  if (m_keyToggle) {
    m_keyToggle = false;
    ClickAction();
  }
}

void TKvCustomButton::FocusIn() {
  InvalidateButtons();
}

void TKvCustomButton::FocusOut() {
  m_keyToggle = false;
  m_pressed = false;
  InvalidateButtons();
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
  const int w = Width(), h = Height();
  const bool enabled = EnabledInTree();
  TForm* form = Form();
  const bool cues = form && form->CuesShown();
  const bool focused = Focused();
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
  } else if (m_groupIndex != 0 || !(Active() || focused)) {
    PaintPlainFace(canvas, face);
  } else {
    PaintPlainFace(canvas, face);
    const TColor b = ShadeLighter(m_color, 30);
    const TColor f = AreColorsClose(m_highlightColor, clBtnFace) ? ShadeDarker(m_highlightColor, 30)
                                                                 : m_highlightColor;
    DrawGradientRing(canvas, face, gdHorizontalEnd, MixColors(f, b, 60), MixColors(f, b, 160));
  }
  PaintCaption(canvas, cues);
  // Black dots, unless the user's scheme made the face too dark for them.
  if (focused && m_showFocusRect && cues)
    DrawDottedFocusFrame(canvas, {3, 3, w - 3, h - 3},
                         ReadableColor(clBlack,
                                       {ShadeLighter(m_color, 30), ShadeDarker(m_color, 10)},
                                       MarkContrast, {clWindowText}));
}

void TKvCustomButton::PaintCaption(TCanvas& canvas, bool cues) {
  // Accelerators are underlined only while the keyboard cues are shown.
  const std::string text = cues ? m_caption : StripAccelerators(m_caption);
  const platform::TFontSpec& captionFont = m_font;
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
  const TColor color = EnabledInTree()
                           ? m_fontColor
                           : (AreColorsClose(m_color, clGrayText) ? cl3DDkShadow : clGrayText);
  canvas.DrawText(text, r, tfCenter | tfWordBreak | tfExpandTabs | prefix, captionFont, color);
}

platform::TBitmap TKvCustomButton::Render() {
  // Hot tracking leaves the three outermost pixels of each corner to the parent.
  return RenderControl(*this, m_hotTrack, ToPixel(clBtnFace));
}

} // namespace controls
