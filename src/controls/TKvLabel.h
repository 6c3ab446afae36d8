#pragma once

#include "controls/Canvas.h"
#include "controls/TControl.h"
#include "platform/TextEngine.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace controls {

// A label that draws its caption itself: '&' underlines the next character, tabs expand, no
// wrapping; transparent, it draws only its text over what its parent shows; with AutoSize it
// takes the size of its text, its left edge staying in place. A new caption only invalidates
// the label (and, with AutoSize, has it measured when its bounds are next read or its form
// paints): captions set thousands of times a second (a download's progress) are measured and
// painted at the host's pace, the last one always shown.
class TKvLabel : public TControl {
public:
  TKvLabel();

  std::function<void(TKvLabel* sender)> OnClick;

  const std::string& Caption() const { return m_caption; }
  void SetCaption(const std::string& caption);
  bool AutoSize() const { return m_autoSize; }
  void SetAutoSize(bool value);
  bool Transparent() const { return m_transparent; }
  void SetTransparent(bool value);
  TColor Color() const { return m_color; }
  void SetColor(TColor value);
  TColor FontColor() const { return m_fontColor; }
  void SetFontColor(TColor value);
  const platform::TFontSpec& Font() const { return m_font; }
  // Sets the font and sizes the label to its text again.
  void SetFont(const platform::TFontSpec& font);
  // Text alignment flags (tfLeft, tfCenter, tfRight, tfVCenter) for a label of fixed size.
  unsigned TextAlignment() const { return m_alignment; }
  void SetTextAlignment(unsigned flags);

  // The label's picture as it paints itself (without what a transparent label shows through).
  void PaintOn(TCanvas& canvas);
  void Click() override;
  // The colours the text is drawn over: its own colour, or, when transparent, what its
  // nearest painted ancestor fills its client area with; empty when nothing is known.
  std::vector<TColor> Backdrop();
  // The colour the text is drawn in: FontColor while it is readable over the backdrop,
  // otherwise one that is (the grey text of a disabled label is the scheme's own).
  TColor InkColor();

  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::StaticText;
  }
  // Its caption; a label that another names (SetAccessibleLabel) takes that one's name and
  // tells its caption as its value.
  std::string AccessibleName() const override;
  std::string AccessibleValue() const override;

protected:
  void Paint(TCanvas& canvas) override;
  void MouseUp(const TMouseEvent& event) override;
  // A label that takes the focus shows a dotted frame while it has it and the keyboard cues
  // show.
  void FocusIn() override;
  void FocusOut() override;
  void Layout() override;
  void AdjustSize();
  // What replaces a font colour that the user's scheme made unreadable, the first readable one.
  virtual std::vector<TColor> InkAlternatives() const;

private:
  std::string m_caption;
  platform::TFontSpec m_font;
  // The metrics of the current font, looked up on the first measure after a font change.
  std::optional<TTextMeasure> m_measure;
  bool m_autoSize = true;
  bool m_transparent = false;
  TColor m_color = clBtnFace;
  TColor m_fontColor = clWindowText;
  unsigned m_alignment = tfLeft;
};

} // namespace controls
