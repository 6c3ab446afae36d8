#include "controls/TKvURLLabel.h"

#include "platform/Shell.h"

#include <algorithm>
#include <cctype>

namespace controls {

namespace {

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char each) { return std::isspace(each) != 0; });
}

bool EndsWithHtm(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back())))
    trimmed.pop_back();
  if (trimmed.size() < 4)
    return false;
  std::string tail = trimmed.substr(trimmed.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char each) { return static_cast<char>(std::toupper(each)); });
  return tail == ".HTM";
}

} // namespace

TKvURLLabel::TKvURLLabel() {
  SetAcceptsFocus(true);
  SetTabStop(true);
  SetCursor(TCursor::HandPoint);
  platform::TFontSpec underlined = Font();
  underlined.Underline = true;
  SetFont(underlined);
  UpdateFontColor();
}

void TKvURLLabel::UpdateFontColor() {
  SetFontColor(m_visited ? m_visitedColor : m_unvisitedColor);
}

void TKvURLLabel::SetVisited(bool value) {
  if (value == m_visited)
    return;
  m_visited = value;
  UpdateFontColor();
}

void TKvURLLabel::SetUnvisitedColor(TColor value) {
  if (value == m_unvisitedColor)
    return;
  m_unvisitedColor = value;
  UpdateFontColor();
}

void TKvURLLabel::SetVisitedColor(TColor value) {
  if (value == m_visitedColor)
    return;
  m_visitedColor = value;
  UpdateFontColor();
}

void TKvURLLabel::SetURL(const std::string& url) {
  if (url == m_url)
    return;
  m_url = url;
  AccessibleChanged(platform::TAccessibleChange::Value);
}

std::string TKvURLLabel::Target() const {
  return IsBlank(m_url) ? Caption() : m_url;
}

std::string TKvURLLabel::AccessibleDefaultAction() const {
  return IsBlank(Target()) ? std::string() : "jump";
}

bool TKvURLLabel::DoAccessibleDefaultAction() {
  if (!Showing() || !EnabledInTree() || IsBlank(Target()))
    return false;
  Click();
  return true;
}

bool TKvURLLabel::KeyDown(const TKeyEvent& event) {
  if ((event.Shift & (platform::ssShift | platform::ssCtrl | platform::ssAlt)) != 0)
    return false;
  if (event.Key == TKey::Enter) {
    Click();
    return true;
  }
  if (event.Key == TKey::Space) {
    // Held down, the key repeats: the link opens once, when it is released.
    m_spaceDown = true;
    return true;
  }
  return false;
}

void TKvURLLabel::KeyUp(const TKeyEvent& event) {
  if (event.Key != TKey::Space || !m_spaceDown)
    return;
  m_spaceDown = false;
  Click();
}

void TKvURLLabel::FocusOut() {
  m_spaceDown = false;
  TKvLabel::FocusOut();
}

std::vector<TColor> TKvURLLabel::InkAlternatives() const {
  return {clHotLight, clWindowText};
}

void TKvURLLabel::Click() {
  TKvLabel::Click();
  const std::string target = Target();
  if (IsBlank(target))
    return;
  if (platform::ShellOpen(target)) {
    SetVisited(true);
    return;
  }
  // A page no program would open: offer the desktop's chooser, if it has one.
  if (EndsWithHtm(target))
    platform::ShellOpenWith(target);
}

} // namespace controls
