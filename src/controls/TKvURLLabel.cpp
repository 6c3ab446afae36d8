#include "controls/TKvURLLabel.h"

#include "platform/Shell.h"

namespace controls {

TKvURLLabel::TKvURLLabel(QWidget* parent) : TKvLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
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

void TKvURLLabel::Click() {
  TKvLabel::Click();
  const QString target = m_url.trimmed().isEmpty() ? Caption() : m_url;
  if (target.trimmed().isEmpty())
    return;
  const std::string text = target.toLocal8Bit().toStdString();
  if (platform::ShellOpen(text)) {
    SetVisited(true);
    if (isVisible())
      repaint();
    return;
  }
  // A page no program would open: offer the desktop's chooser, if it has one.
  if (target.trimmed().toUpper().endsWith(QStringLiteral(".HTM")))
    platform::ShellOpenWith(text);
}

} // namespace controls
