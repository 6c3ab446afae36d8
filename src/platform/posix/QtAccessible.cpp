#include "platform/posix/QtAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QMetaObject>
#include <QTextBoundaryFinder>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace platform::posix {

namespace {

QHash<const QObject*, TQtAccessible*>& Owners() {
  static QHash<const QObject*, TQtAccessible*> owners;
  return owners;
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// The text a part shows: a value when a caption names it, otherwise its name.
QString ShownText(const TAccessibleNode& node) {
  return Text(node.LabelledBy > 0 ? node.Value : node.Name);
}

// The pieces of `text` between the boundaries of one kind: [start, end) each.
std::vector<std::pair<int, int>> Segments(const QString& text,
                                          QAccessible::TextBoundaryType boundary) {
  std::vector<std::pair<int, int>> segments;
  const int length = static_cast<int>(text.size());
  switch (boundary) {
  case QAccessible::CharBoundary:
    for (int each = 0; each < length; ++each)
      segments.emplace_back(each, each + 1);
    return segments;
  case QAccessible::WordBoundary:
  case QAccessible::SentenceBoundary: {
    QTextBoundaryFinder finder(boundary == QAccessible::WordBoundary
                                   ? QTextBoundaryFinder::Word
                                   : QTextBoundaryFinder::Sentence,
                               text);
    int start = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0 && next <= length;
         next = finder.toNextBoundary()) {
      segments.emplace_back(start, static_cast<int>(next));
      start = static_cast<int>(next);
    }
    return segments;
  }
  default:
    // One line, one paragraph.
    if (length > 0)
      segments.emplace_back(0, length);
    return segments;
  }
}

// The piece at `offset` (shift 0), or the one before (-1) or after (1) it.
QString Piece(const QString& text, int offset, QAccessible::TextBoundaryType boundary, int shift,
              int* start, int* end) {
  *start = *end = -1;
  const auto segments = Segments(text, boundary);
  const auto at = std::find_if(segments.begin(), segments.end(), [&](const auto& segment) {
    return offset >= segment.first && offset < segment.second;
  });
  long index = at == segments.end() ? static_cast<long>(segments.size()) : at - segments.begin();
  index += shift;
  if (index < 0 || index >= static_cast<long>(segments.size()))
    return {};
  const auto& segment = segments[static_cast<std::size_t>(index)];
  *start = segment.first;
  *end = segment.second;
  return text.mid(segment.first, segment.second - segment.first);
}

} // namespace

// One part of the window, known to the toolkit by its id in the form.
class TQtPartAccessible final : public QAccessibleInterface,
                                public QAccessibleValueInterface,
                                public QAccessibleActionInterface,
                                public QAccessibleTextInterface {
public:
  TQtPartAccessible(const TQtAccessible& owner, int id)
      : m_owner(owner), m_id(id), m_toldState(NodeState()), m_toldText(Shown()) {}

  int Id() const { return m_id; }
  const TQtAccessible& Owner() const { return m_owner; }
  // The state last told to the clients, and the new one.
  unsigned ExchangeState() { return std::exchange(m_toldState, NodeState()); }
  // The shown text last told, and the new one.
  QString ExchangeText() { return std::exchange(m_toldText, Shown()); }
  unsigned NodeState() const {
    const auto node = m_owner.Node(m_id);
    return node ? node->State : 0;
  }

  bool isValid() const override { return m_owner.Node(m_id).has_value(); }
  // No object of its own: the toolkit's events then name the part by its id.
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_owner.Widget().windowHandle(); }

  QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
  relations(QAccessible::Relation match) const override {
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> related;
    const auto node = m_owner.Node(m_id);
    if (!node)
      return related;
    if ((match & QAccessible::Label) && node->LabelledBy > 0) {
      if (QAccessibleInterface* label = m_owner.Interface(node->LabelledBy))
        related.append({label, QAccessible::Label});
    }
    if (match & QAccessible::Labelled) {
      for (int each : node->LabelFor) {
        if (QAccessibleInterface* labelled = m_owner.Interface(each))
          related.append({labelled, QAccessible::Labelled});
      }
    }
    return related;
  }

  QAccessibleInterface* focusChild() const override {
    TAccessibleTree* tree = m_owner.Tree();
    if (!tree)
      return nullptr;
    // The focused part, when it is this one or inside it.
    for (int id = tree->AccessibleFocus(); id > 0;) {
      if (id == m_id)
        return m_owner.Interface(tree->AccessibleFocus());
      const auto node = tree->AccessibleNode(id);
      id = node ? node->Parent : -1;
    }
    return nullptr;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    return ChildAt(m_owner, m_id, {x, y});
  }

  // The child of part `parent` that holds the screen point, the deepest part there being inside
  // it.
  static QAccessibleInterface* ChildAt(const TQtAccessible& owner, int parent, QPoint screen) {
    TAccessibleTree* tree = owner.Tree();
    if (!tree)
      return nullptr;
    for (int id = tree->AccessibleAt(owner.ClientPoint(screen)); id > 0;) {
      const auto node = tree->AccessibleNode(id);
      if (!node)
        return nullptr;
      if (node->Parent == parent)
        return owner.Interface(id);
      id = node->Parent;
    }
    return nullptr;
  }

  QAccessibleInterface* parent() const override {
    const auto node = m_owner.Node(m_id);
    return node ? m_owner.Interface(std::max(node->Parent, 0)) : nullptr;
  }
  QAccessibleInterface* child(int index) const override {
    const auto node = m_owner.Node(m_id);
    if (!node || index < 0 || index >= static_cast<int>(node->Children.size()))
      return nullptr;
    return m_owner.Interface(node->Children[static_cast<std::size_t>(index)]);
  }
  int childCount() const override {
    const auto node = m_owner.Node(m_id);
    return node ? static_cast<int>(node->Children.size()) : 0;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto node = m_owner.Node(m_id);
    const int id = m_owner.IdOf(child);
    if (!node || id <= 0)
      return -1;
    const auto found = std::find(node->Children.begin(), node->Children.end(), id);
    return found == node->Children.end() ? -1 : static_cast<int>(found - node->Children.begin());
  }

  QString text(QAccessible::Text kind) const override {
    const auto node = m_owner.Node(m_id);
    if (!node)
      return {};
    switch (kind) {
    case QAccessible::Name:
      return Text(node->Name);
    case QAccessible::Value:
      return Text(node->Value);
    case QAccessible::Accelerator:
      return node->Accelerator.empty() ? QString()
                                       : QStringLiteral("Alt+") + Text(node->Accelerator).toUpper();
    default:
      return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    const auto node = m_owner.Node(m_id);
    return node ? m_owner.ScreenRect(node->Bounds) : QRect();
  }
  QAccessible::Role role() const override {
    const auto node = m_owner.Node(m_id);
    return node ? RoleOf(node->Role) : QAccessible::NoRole;
  }
  QAccessible::State state() const override {
    const auto node = m_owner.Node(m_id);
    QAccessible::State state;
    if (node)
      state = StateOf(*node);
    else
      state.invalid = true;
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    const auto node = m_owner.Node(m_id);
    if (!node)
      return nullptr;
    switch (type) {
    case QAccessible::ValueInterface:
      return node->Range ? static_cast<QAccessibleValueInterface*>(this) : nullptr;
    case QAccessible::ActionInterface:
      return node->DefaultAction.empty() ? nullptr : static_cast<QAccessibleActionInterface*>(this);
    case QAccessible::TextInterface:
      return node->Role == TAccessibleRole::StaticText || node->Role == TAccessibleRole::Link
                 ? static_cast<QAccessibleTextInterface*>(this)
                 : nullptr;
    default:
      return nullptr;
    }
  }

  // The value of a range (a progress bar's percentage); read only.
  QVariant currentValue() const override { return RangeField(&TAccessibleRange::Current); }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return RangeField(&TAccessibleRange::Maximum); }
  QVariant minimumValue() const override { return RangeField(&TAccessibleRange::Minimum); }
  QVariant minimumStepSize() const override { return 1.0; }

  // The default action, under the toolkit's name for a press.
  QStringList actionNames() const override {
    const auto node = m_owner.Node(m_id);
    if (!node || node->DefaultAction.empty())
      return {};
    return {node->DefaultAction == "press" ? pressAction() : Text(node->DefaultAction)};
  }
  void doAction(const QString& name) override {
    if (!actionNames().contains(name))
      return;
    // Done once the client has its answer: a click may open a message box, whose loop would
    // hold the answer back until the box is closed.
    const TQtAccessible* owner = &m_owner;
    const int id = m_id;
    QMetaObject::invokeMethod(
        &m_owner.Widget(),
        [owner, id] {
          if (TAccessibleTree* tree = owner->Tree())
            tree->AccessibleDoDefaultAction(id);
        },
        Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    const QString accelerator = text(QAccessible::Accelerator);
    if (accelerator.isEmpty() || !actionNames().contains(name))
      return {};
    return {accelerator};
  }

  // The shown text, read only, one line.
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override {
    const QString shown = Shown();
    if (end < 0 || end > shown.size())
      end = static_cast<int>(shown.size());
    start = std::clamp(start, 0, end);
    return shown.mid(start, end - start);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                           int* end) const override {
    return Piece(Shown(), offset, boundary, -1, start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                          int* end) const override {
    return Piece(Shown(), offset, boundary, 1, start, end);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* start,
                       int* end) const override {
    return Piece(Shown(), offset, boundary, 0, start, end);
  }
  int characterCount() const override { return static_cast<int>(Shown().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

private:
  QVariant RangeField(double TAccessibleRange::*field) const {
    const auto node = m_owner.Node(m_id);
    return node && node->Range ? QVariant(*node->Range.*field) : QVariant();
  }
  QString Shown() const {
    const auto node = m_owner.Node(m_id);
    return node ? ShownText(*node) : QString();
  }

  const TQtAccessible& m_owner;
  int m_id;
  unsigned m_toldState;
  QString m_toldText;
};

namespace {

// The window: the host's widget, whose children are the form's parts instead of widgets.
class TQtWindowAccessible final : public QAccessibleWidget {
public:
  explicit TQtWindowAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Window) {}

  int childCount() const override {
    const auto node = Window();
    return node ? static_cast<int>(node->Children.size()) : 0;
  }
  QAccessibleInterface* child(int index) const override {
    const auto node = Window();
    if (!node || index < 0 || index >= static_cast<int>(node->Children.size()))
      return nullptr;
    return Owner()->Interface(node->Children[static_cast<std::size_t>(index)]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto node = Window();
    if (!node)
      return -1;
    const auto found =
        std::find(node->Children.begin(), node->Children.end(), Owner()->IdOf(child));
    return found == node->Children.end() ? -1 : static_cast<int>(found - node->Children.begin());
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    TQtAccessible* owner = Owner();
    return owner ? TQtPartAccessible::ChildAt(*owner, 0, {x, y}) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    TQtAccessible* owner = Owner();
    TAccessibleTree* tree = owner ? owner->Tree() : nullptr;
    const int id = tree ? tree->AccessibleFocus() : -1;
    return id > 0 ? owner->Interface(id) : nullptr;
  }
  QString text(QAccessible::Text kind) const override {
    const auto node = Window();
    if (kind == QAccessible::Name && node)
      return Text(node->Name);
    return QAccessibleWidget::text(kind);
  }

private:
  TQtAccessible* Owner() const { return TQtAccessible::Of(object()); }
  std::optional<TAccessibleNode> Window() const {
    TQtAccessible* owner = Owner();
    return owner ? owner->Node(0) : std::nullopt;
  }
};

QAccessibleInterface* WindowFactory(const QString&, QObject* object) {
  // Matched by the object: the host's widget class is known to the toolkit as "QWidget" only.
  if (!TQtAccessible::Of(object))
    return nullptr;
  return new TQtWindowAccessible(static_cast<QWidget*>(object));
}

} // namespace

TQtAccessible::TQtAccessible(QWidget& widget, TWindowEvents& events)
    : m_widget(widget), m_events(events) {
  static std::once_flag installed;
  std::call_once(installed, [] { QAccessible::installFactory(WindowFactory); });
  Owners().insert(&widget, this);
  // An interface the toolkit made for the widget before it was known here would stand in for
  // ours for good: it goes.
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&widget);
      made && !dynamic_cast<TQtWindowAccessible*>(made))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

TQtAccessible::~TQtAccessible() {
  Owners().remove(&m_widget);
  for (const auto& [part, id] : m_parts) {
    if (part)
      QAccessible::deleteAccessibleInterface(id);
  }
}

TQtAccessible* TQtAccessible::Of(const QObject* widget) {
  return Owners().value(widget, nullptr);
}

std::optional<TAccessibleNode> TQtAccessible::Node(int id) const {
  TAccessibleTree* tree = Tree();
  return tree ? tree->AccessibleNode(id) : std::nullopt;
}

TQtPartAccessible* TQtAccessible::Part(int id) const {
  TAccessibleTree* tree = Tree();
  if (id <= 0 || !tree || id > tree->AccessibleCount())
    return nullptr;
  const auto index = static_cast<std::size_t>(id - 1);
  if (index >= m_parts.size())
    m_parts.resize(index + 1, {nullptr, 0});
  auto& [part, partId] = m_parts[index];
  if (!part) {
    part = new TQtPartAccessible(*this, id);
    partId = QAccessible::registerAccessibleInterface(part);
  }
  return part;
}

QAccessibleInterface* TQtAccessible::Interface(int id) const {
  if (id == 0)
    return QAccessible::queryAccessibleInterface(&m_widget);
  return Part(id);
}

int TQtAccessible::IdOf(const QAccessibleInterface* interface) const {
  if (!interface)
    return -1;
  if (interface->object() == &m_widget)
    return 0;
  const auto* part = dynamic_cast<const TQtPartAccessible*>(interface);
  return part && &part->Owner() == this ? part->Id() : -1;
}

TSize TQtAccessible::ClientSize() const {
  const auto window = Node(0);
  return window ? TSize{window->Bounds.Width(), window->Bounds.Height()}
                : TSize{m_widget.width(), m_widget.height()};
}

QRect TQtAccessible::ScreenRect(const TRect& bounds) const {
  return ClientToScreen(m_widget, ClientSize(), bounds);
}

TPoint TQtAccessible::ClientPoint(QPoint screen) const {
  return ScreenToClient(m_widget, ClientSize(), screen);
}

void TQtAccessible::Changed(int id, TAccessibleChange change) {
  if (!QAccessible::isActive())
    return;
  if (id == 0) {
    // The toolkit tells of the window's own focus and title.
    return;
  }
  TQtPartAccessible* part = Part(id);
  if (!part)
    return;
  switch (change) {
  case TAccessibleChange::Focus:
    // After the toolkit's own report of the window's focus, which follows the form's.
    QMetaObject::invokeMethod(
        &m_widget,
        [this] {
          TAccessibleTree* tree = Tree();
          const int focused = tree ? tree->AccessibleFocus() : -1;
          if (QAccessibleInterface* interface = focused > 0 ? Part(focused) : nullptr) {
            QAccessibleEvent event(interface, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
          }
        },
        Qt::QueuedConnection);
    break;
  case TAccessibleChange::Name:
  case TAccessibleChange::Value: {
    if (change == TAccessibleChange::Name) {
      QAccessibleEvent event(part, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&event);
    } else if (part->valueInterface()) {
      QAccessibleValueChangeEvent event(part, part->currentValue());
      QAccessible::updateAccessibility(&event);
    }
    // A caption's text is read as text too.
    if (part->textInterface()) {
      const QString before = part->ExchangeText();
      const QString now = part->text(0, -1);
      if (before != now) {
        QAccessibleTextUpdateEvent event(part, 0, before, now);
        QAccessible::updateAccessibility(&event);
      }
    }
    break;
  }
  case TAccessibleChange::State: {
    const unsigned before = part->ExchangeState();
    const auto node = Node(id);
    if (!node)
      break;
    TAccessibleNode old = *node;
    old.State = before;
    const QAccessible::State was = StateOf(old);
    const QAccessible::State now = StateOf(*node);
    QAccessible::State changed;
    changed.disabled = was.disabled != now.disabled;
    changed.invisible = was.invisible != now.invisible;
    changed.offscreen = was.offscreen != now.offscreen;
    changed.focused = was.focused != now.focused;
    changed.focusable = was.focusable != now.focusable;
    changed.pressed = was.pressed != now.pressed;
    changed.defaultButton = was.defaultButton != now.defaultButton;
    QAccessibleStateChangeEvent event(part, changed);
    QAccessible::updateAccessibility(&event);
    break;
  }
  }
}

QRect ClientToScreen(const QWidget& widget, TSize clientSize, const TRect& rect) {
  // The widget shows the whole client area: its own size, over the layout's, is the scale
  // between the two.
  const double x = clientSize.Width > 0 ? double(widget.width()) / clientSize.Width : 1.0;
  const double y = clientSize.Height > 0 ? double(widget.height()) / clientSize.Height : 1.0;
  const auto at = [&](int left, int top) {
    return QPoint(static_cast<int>(std::lround(left * x)), static_cast<int>(std::lround(top * y)));
  };
  const QPoint origin = widget.mapToGlobal(QPoint(0, 0));
  return QRect(origin + at(rect.Left, rect.Top),
               origin + at(rect.Right, rect.Bottom) - QPoint(1, 1));
}

TPoint ScreenToClient(const QWidget& widget, TSize clientSize, QPoint point) {
  const QPoint local = point - widget.mapToGlobal(QPoint(0, 0));
  const double x = widget.width() > 0 ? double(clientSize.Width) / widget.width() : 1.0;
  const double y = widget.height() > 0 ? double(clientSize.Height) / widget.height() : 1.0;
  return {static_cast<int>(std::floor(local.x() * x)), static_cast<int>(std::floor(local.y() * y))};
}

QAccessible::Role RoleOf(TAccessibleRole role) {
  switch (role) {
  case TAccessibleRole::Window:
    return QAccessible::Window;
  case TAccessibleRole::Grouping:
    return QAccessible::Grouping;
  case TAccessibleRole::StaticText:
    return QAccessible::StaticText;
  case TAccessibleRole::Link:
    return QAccessible::Link;
  case TAccessibleRole::PushButton:
    return QAccessible::PushButton;
  case TAccessibleRole::ProgressBar:
    return QAccessible::ProgressBar;
  }
  return QAccessible::NoRole;
}

QAccessible::State StateOf(const TAccessibleNode& node) {
  QAccessible::State state;
  state.focused = (node.State & asFocused) != 0;
  state.focusable = (node.State & asFocusable) != 0;
  state.disabled = (node.State & asUnavailable) != 0;
  state.defaultButton = (node.State & asDefault) != 0;
  state.invisible = (node.State & asInvisible) != 0;
  state.offscreen = (node.State & (asOffscreen | asInvisible)) != 0;
  state.pressed = (node.State & asPressed) != 0;
  state.readOnly =
      node.Role == TAccessibleRole::StaticText || node.Role == TAccessibleRole::ProgressBar;
  state.linked = node.Role == TAccessibleRole::Link;
  return state;
}

} // namespace platform::posix
