#include "WindowDriver.h"

#include "platform/Application.h"
#include "platform/posix/QtWindowHost.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QTest>

namespace testsupport {

namespace {

QWidget& WidgetOf(controls::TForm& form) {
  return static_cast<platform::posix::TQtWindowHost*>(form.Host())->Widget();
}

Qt::KeyboardModifiers ModifiersOf(unsigned shift) {
  Qt::KeyboardModifiers modifiers;
  if (shift & platform::ssShift)
    modifiers |= Qt::ShiftModifier;
  if (shift & platform::ssCtrl)
    modifiers |= Qt::ControlModifier;
  if (shift & platform::ssAlt)
    modifiers |= Qt::AltModifier;
  return modifiers;
}

Qt::Key QtKeyOf(platform::TKey key, unsigned shift) {
  using platform::TKey;
  switch (key) {
  case TKey::Tab:
    return (shift & platform::ssShift) ? Qt::Key_Backtab : Qt::Key_Tab;
  case TKey::Enter:
    return Qt::Key_Return;
  case TKey::Escape:
    return Qt::Key_Escape;
  case TKey::Space:
    return Qt::Key_Space;
  default:
    // Letters and digits: the toolkit's codes are their characters.
    return static_cast<Qt::Key>(static_cast<int>(key));
  }
}

// The palette role that stands for each system colour, as the platform reads it.
struct Role {
  int index;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

constexpr Role Roles[] = {
    {5, QPalette::Active, QPalette::Base},       {8, QPalette::Active, QPalette::WindowText},
    {13, QPalette::Active, QPalette::Highlight}, {15, QPalette::Active, QPalette::Button},
    {16, QPalette::Active, QPalette::Dark},      {17, QPalette::Disabled, QPalette::WindowText},
    {20, QPalette::Active, QPalette::Light},     {21, QPalette::Active, QPalette::Shadow},
    {26, QPalette::Active, QPalette::Link},
};

QColor QColorOf(controls::TColor color) {
  return QColor(controls::GetRValue(color), controls::GetGValue(color), controls::GetBValue(color));
}

controls::TColor ColorOf(const QColor& color) {
  return controls::RGB(color.red(), color.green(), color.blue());
}

// Gives the application's palette the colours, each to the roles of its index (the active and
// inactive groups alike).
void SetPaletteColors(const std::vector<TSchemeColor>& colors) {
  QPalette palette = QGuiApplication::palette();
  for (const TSchemeColor& each : colors) {
    for (const Role& role : Roles) {
      if (role.index != each.index)
        continue;
      if (role.group == QPalette::Disabled) {
        palette.setColor(QPalette::Disabled, role.role, QColorOf(each.color));
      } else {
        palette.setColor(QPalette::Active, role.role, QColorOf(each.color));
        palette.setColor(QPalette::Inactive, role.role, QColorOf(each.color));
      }
    }
  }
  QApplication::setPalette(palette);
}

} // namespace

bool WaitWindowActive(controls::TForm& form) {
  QWidget& widget = WidgetOf(form);
  widget.activateWindow();
  return QTest::qWaitForWindowExposed(&widget) && QTest::qWaitForWindowActive(&widget);
}

void PressKey(controls::TForm& form, platform::TKey key, unsigned shift) {
  const char32_t letter = platform::KeyCharacter(key);
  const QString text = letter && !(shift & platform::ssAlt)
                           ? QString(QChar(static_cast<char16_t>(letter))).toLower()
                       : key == platform::TKey::Space ? QStringLiteral(" ")
                                                      : QString();
  QWidget& widget = WidgetOf(form);
  const Qt::Key qtKey = QtKeyOf(key, shift);
  QKeyEvent press(QEvent::KeyPress, qtKey, ModifiersOf(shift), text);
  QApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, qtKey, ModifiersOf(shift), text);
  QApplication::sendEvent(&widget, &release);
  platform::TApplication::Instance()->ProcessMessages();
}

void ClickAt(controls::TForm& form, platform::TPoint point) {
  QTest::mouseClick(&WidgetOf(form), Qt::LeftButton, Qt::NoModifier, QPoint(point.X, point.Y));
  platform::TApplication::Instance()->ProcessMessages();
}

void TakeQuitRequest() {
  // The request is a queued call, taken with the events waiting now.
  platform::TApplication::Instance()->ProcessMessages();
}

platform::TBitmap WindowPicture(controls::TForm& form) {
  // The widget paints itself into the grab, as it paints on the screen.
  const QImage image = WidgetOf(form).grab().toImage().convertToFormat(QImage::Format_RGB32);
  platform::TBitmap picture(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
    std::copy(row, row + image.width(), picture.Row(y));
  }
  return picture;
}

TUserColorScheme::TUserColorScheme(const std::vector<TSchemeColor>& scheme) {
  const QPalette previous = QGuiApplication::palette();
  for (const TSchemeColor& each : scheme) {
    for (const Role& role : Roles) {
      if (role.index == each.index)
        m_previous.push_back({each.index, ColorOf(previous.color(role.group, role.role))});
    }
  }
  SetPaletteColors(scheme);
}

TUserColorScheme::~TUserColorScheme() {
  SetPaletteColors(m_previous);
}

} // namespace testsupport
