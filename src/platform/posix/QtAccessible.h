#pragma once

#include "platform/WindowHost.h"

#include <QAccessible>
#include <QPoint>
#include <QRect>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace platform::posix {

class TQtPartAccessible;

// A form's parts as the toolkit's accessibility bridge (AT-SPI on Linux) shows them, for the
// widget of the form's host: the widget's own interface is part 0, the window, and each other
// part has an interface of its own that keeps its toolkit id while the window lives.
class TQtAccessible final {
public:
  // Installs the toolkit's factory for the hosts' widgets once; needs the application object.
  TQtAccessible(QWidget& widget, TWindowEvents& events);
  ~TQtAccessible();
  TQtAccessible(const TQtAccessible&) = delete;
  TQtAccessible& operator=(const TQtAccessible&) = delete;

  // Tells the listening clients that a part changed; nothing while none listens.
  void Changed(int id, TAccessibleChange change);

  // What the interfaces ask.
  QWidget& Widget() const { return m_widget; }
  std::optional<TAccessibleNode> Node(int id) const;
  // The toolkit's interface of a part: 0 the widget's; null for an id the form does not have.
  QAccessibleInterface* Interface(int id) const;
  // The part an interface of this window stands for; -1 for another.
  int IdOf(const QAccessibleInterface* interface) const;
  TAccessibleTree* Tree() const { return m_events.HostAccessibleTree(); }
  QRect ScreenRect(const TRect& bounds) const;
  TPoint ClientPoint(QPoint screen) const;

  // The object of a host's widget; null for any other object.
  static TQtAccessible* Of(const QObject* widget);

private:
  // Made on first use.
  TQtPartAccessible* Part(int id) const;
  TSize ClientSize() const;

  QWidget& m_widget;
  TWindowEvents& m_events;
  // At id - 1, null until asked for, with the id the toolkit gave it.
  mutable std::vector<std::pair<TQtPartAccessible*, QAccessible::Id>> m_parts;
};

// A rectangle of a client area in layout pixels on the screen, in the toolkit's screen pixels,
// for a client area of `clientSize` shown by `widget` (the one place where the window's scale
// meets accessibility), and a screen point back in the client area.
QRect ClientToScreen(const QWidget& widget, TSize clientSize, const TRect& rect);
TPoint ScreenToClient(const QWidget& widget, TSize clientSize, QPoint point);

// The toolkit's states for a part's.
QAccessible::State StateOf(const TAccessibleNode& node);
QAccessible::Role RoleOf(TAccessibleRole role);

} // namespace platform::posix
