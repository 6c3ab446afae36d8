#pragma once

#include "controls/TKvLabel.h"

#include <string>

namespace controls {

// A label that is a link: a hand cursor, and a click opens URL (or the caption) with the
// user's default handler and turns the text to VisitedColor. It takes the focus (Tab stops at
// it); Enter, or Space on its release, opens it as a click does.
class TKvURLLabel : public TKvLabel {
public:
  TKvURLLabel();

  const std::string& URL() const { return m_url; }
  void SetURL(const std::string& url);
  bool Visited() const { return m_visited; }
  void SetVisited(bool value);
  TColor UnvisitedColor() const { return m_unvisitedColor; }
  void SetUnvisitedColor(TColor value);
  TColor VisitedColor() const { return m_visitedColor; }
  void SetVisitedColor(TColor value);

  // The click: OnClick, then the target opened.
  void Click() override;

  // A link whose value is where it leads.
  std::optional<platform::TAccessibleRole> AccessibleRole() const override {
    return platform::TAccessibleRole::Link;
  }
  std::string AccessibleValue() const override { return Target(); }
  // A link that leads nowhere yet has nothing to do.
  std::string AccessibleDefaultAction() const override;
  bool DoAccessibleDefaultAction() override;

protected:
  bool KeyDown(const TKeyEvent& event) override;
  void KeyUp(const TKeyEvent& event) override;
  void FocusOut() override;
  // A link the scheme made unreadable takes the scheme's own link colour first.
  std::vector<TColor> InkAlternatives() const override;

private:
  // What a click opens: URL, or the caption when URL is blank.
  std::string Target() const;
  void UpdateFontColor();

  std::string m_url;
  bool m_visited = false;
  TColor m_unvisitedColor = clHighlight;
  TColor m_visitedColor = clPurple;
  bool m_spaceDown = false;
};

} // namespace controls
