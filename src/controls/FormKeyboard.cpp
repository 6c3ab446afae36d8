#include "controls/FormKeyboard.h"

#include "controls/TKvButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace controls {

namespace {

bool g_cuesShown = false;

} // namespace

void FormKeyboard::Install() {
  static FormKeyboard* const filter = [] {
    auto* installed = new FormKeyboard(qApp);
    qApp->installEventFilter(installed);
    return installed;
  }();
  (void)filter;
}

bool FormKeyboard::CuesShown() {
  return g_cuesShown;
}

void FormKeyboard::SetCuesShown(bool shown) {
  if (shown == g_cuesShown)
    return;
  g_cuesShown = shown;
  for (QWidget* widget : QApplication::allWidgets())
    if (dynamic_cast<TKvCustomButton*>(widget))
      widget->update();
}

bool FormKeyboard::DialogKey(QWidget* window, int key) {
  // The buttons declare no meta-object of their own: found among all the window's widgets.
  for (QWidget* child : window->findChildren<QWidget*>()) {
    auto* button = dynamic_cast<TKvCustomButton*>(child);
    if (!button || !button->isEnabled() || !button->isVisible())
      continue;
    const bool enter = (key == Qt::Key_Return || key == Qt::Key_Enter) && button->Active();
    if (enter || (key == Qt::Key_Escape && button->Cancel())) {
      button->Click();
      return true;
    }
  }
  return false;
}

bool FormKeyboard::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
  case QEvent::KeyPress: {
    SetCuesShown(true);
    // A key that every control on its way ignored reaches the window last.
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->isWindow() &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        DialogKey(widget, key->key()))
      return true;
    break;
  }
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
    SetCuesShown(false);
    break;
  default:
    break;
  }
  return QObject::eventFilter(watched, event);
}

} // namespace controls
