// A form's parts as the toolkit's accessibility layer gives them to its bridge, in a real window
// on the display (the suite runs once as it is and once with QT_SCALE_FACTOR=2).
#include "platform/posix/QtAccessible.h"

#include "controls/TForm.h"
#include "platform/posix/QtWindowHost.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using platform::TAccessibleRole;

// A control with a role, a name, a value and a default action of its choosing, which logs the
// action when it is done.
class TPart : public controls::TControl {
public:
  TPart(TAccessibleRole role, std::string name, std::vector<std::string>& log)
      : m_role(role), m_name(std::move(name)), m_log(log) {}

  std::string value;
  std::optional<platform::TAccessibleRange> range;
  std::string action;

  std::optional<TAccessibleRole> AccessibleRole() const override { return m_role; }
  std::string AccessibleName() const override {
    return m_name.empty() ? TControl::AccessibleName() : m_name;
  }
  std::string AccessibleValue() const override { return value; }
  std::optional<platform::TAccessibleRange> AccessibleRange() const override { return range; }
  std::string AccessibleDefaultAction() const override { return action; }
  bool DoAccessibleDefaultAction() override {
    m_log.push_back(m_name + ":" + action);
    return true;
  }

private:
  TAccessibleRole m_role;
  std::string m_name;
  std::vector<std::string>& m_log;
};

struct Window {
  Window() {
    form = std::make_unique<controls::TForm>();
    form->SetCaption("Kolvarin Radyo Güncelleme");
    form->SetClientSize({200, 120});
    form->CreateHost();
    group = &form->AddControl<TPart>(TAccessibleRole::Grouping, "Durum", log);
    group->SetBounds(0, 10, 200, 60);
    caption = &group->AddControl<TPart>(TAccessibleRole::StaticText, "Dosya Boyutu :", log);
    caption->SetBounds(5, 5, 80, 14);
    size = &group->AddControl<TPart>(TAccessibleRole::StaticText, "", log);
    size->SetBounds(90, 5, 100, 14);
    size->value = "3240258 Kb";
    size->SetAccessibleLabel(caption);
    bar = &form->AddControl<TPart>(TAccessibleRole::ProgressBar, "İlerleme", log);
    bar->SetBounds(0, 70, 200, 20);
    bar->range = platform::TAccessibleRange{0, 100, 42};
    button = &form->AddControl<TPart>(TAccessibleRole::PushButton, "Vazgeç", log);
    button->SetBounds(120, 92, 75, 25);
    button->action = "press";
    button->SetAcceptsFocus(true);
    button->SetTabStop(true);
    link = &form->AddControl<TPart>(TAccessibleRole::Link, "Sayfa", log);
    link->SetBounds(5, 95, 60, 14);
    link->action = "jump";
    form->Show();
    widget = &static_cast<platform::posix::TQtWindowHost*>(form->Host())->Widget();
    widget->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(widget));
    EXPECT_TRUE(QTest::qWaitForWindowActive(widget));
    root = QAccessible::queryAccessibleInterface(widget);
  }

  // The part's interface through the window's children.
  QAccessibleInterface* Find(const QString& name, QAccessibleInterface* from = nullptr) const {
    from = from ? from : root;
    for (int each = 0; each < from->childCount(); ++each) {
      QAccessibleInterface* child = from->child(each);
      if (child->text(QAccessible::Name) == name)
        return child;
      if (QAccessibleInterface* found = Find(name, child))
        return found;
    }
    return nullptr;
  }

  std::vector<std::string> log;
  std::unique_ptr<controls::TForm> form;
  TPart* group = nullptr;
  TPart* caption = nullptr;
  TPart* size = nullptr;
  TPart* bar = nullptr;
  TPart* button = nullptr;
  TPart* link = nullptr;
  QWidget* widget = nullptr;
  QAccessibleInterface* root = nullptr;
};

TEST(QtAccessible, TheWindowsChildrenAreItsPartsEachKnowingItsParentAndPlace) {
  Window window;
  QAccessibleInterface* root = window.root;
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->role(), QAccessible::Window);
  EXPECT_EQ(root->text(QAccessible::Name), QString::fromUtf8("Kolvarin Radyo Güncelleme"));
  const struct {
    const char* name;
    QAccessible::Role role;
    const char* parent;
    int index;
  } parts[] = {
      {"Durum", QAccessible::Grouping, nullptr, 0},
      {"Dosya Boyutu :", QAccessible::StaticText, "Durum", 0},
      {"Dosya Boyutu", QAccessible::StaticText, "Durum", 1},
      {"İlerleme", QAccessible::ProgressBar, nullptr, 1},
      {"Vazgeç", QAccessible::PushButton, nullptr, 2},
      {"Sayfa", QAccessible::Link, nullptr, 3},
  };
  EXPECT_EQ(root->childCount(), 4);
  for (const auto& part : parts) {
    SCOPED_TRACE(part.name);
    QAccessibleInterface* found = window.Find(QString::fromUtf8(part.name));
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->isValid());
    EXPECT_EQ(found->role(), part.role);
    QAccessibleInterface* parent = part.parent ? window.Find(QString::fromUtf8(part.parent)) : root;
    EXPECT_EQ(found->parent(), parent);
    EXPECT_EQ(parent->indexOfChild(found), part.index);
    EXPECT_EQ(parent->child(part.index), found);
  }
  QAccessibleInterface* size = window.Find("Dosya Boyutu");
  EXPECT_EQ(size->text(QAccessible::Value), "3240258 Kb");
  ASSERT_NE(size->textInterface(), nullptr);
  EXPECT_EQ(size->textInterface()->text(0, -1), "3240258 Kb");
  // A part outside the group is none of its children.
  EXPECT_EQ(window.Find("Durum")->indexOfChild(window.Find("Vazgeç")), -1);
}

TEST(QtAccessible, EachPartKeepsItsIdUntilTheWindowGoesAndItsInterfaceWithIt) {
  Window window;
  QAccessibleInterface* button = window.Find("Vazgeç");
  ASSERT_NE(button, nullptr);
  const QAccessible::Id id = QAccessible::uniqueId(button);
  window.size->value = "1 Kb";
  window.bar->range->Current = 80;
  EXPECT_EQ(window.Find("Vazgeç"), button);
  EXPECT_EQ(QAccessible::uniqueId(window.Find("Vazgeç")), id);
  EXPECT_EQ(QAccessible::accessibleInterface(id), button);
  std::vector<QAccessible::Id> ids;
  for (const char* name : {"Durum", "Dosya Boyutu :", "Dosya Boyutu", "İlerleme", "Sayfa"})
    ids.push_back(QAccessible::uniqueId(window.Find(QString::fromUtf8(name))));
  ids.push_back(id);
  window.form.reset();
  for (QAccessible::Id each : ids)
    EXPECT_EQ(QAccessible::accessibleInterface(each), nullptr);
}

TEST(QtAccessible, PartsAreOnTheScreenWhereTheWindowDrawsThemAndFoundThere) {
  Window window;
  const QPoint origin = window.widget->mapToGlobal(QPoint(0, 0));
  const struct {
    const char* name;
    QRect inWindow;
    const char* atCentre; // the window's child there
  } parts[] = {
      {"Durum", {0, 10, 200, 60}, "Durum"},
      {"Dosya Boyutu", {90, 15, 100, 14}, "Durum"},
      {"İlerleme", {0, 70, 200, 20}, "İlerleme"},
      {"Vazgeç", {120, 92, 75, 25}, "Vazgeç"},
  };
  for (const auto& part : parts) {
    SCOPED_TRACE(part.name);
    QAccessibleInterface* found = window.Find(QString::fromUtf8(part.name));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->rect(), part.inWindow.translated(origin));
    const QPoint centre = found->rect().center();
    EXPECT_EQ(window.root->childAt(centre.x(), centre.y()),
              window.Find(QString::fromUtf8(part.atCentre)));
  }
  // Inside the group, the group's child; outside every part, none.
  const QPoint value = window.Find("Dosya Boyutu")->rect().center();
  EXPECT_EQ(window.Find("Durum")->childAt(value.x(), value.y()), window.Find("Dosya Boyutu"));
  EXPECT_EQ(window.root->childAt(origin.x() + 100, origin.y() + 5), nullptr);
}

TEST(QtAccessible, ALabelAndThePartItNamesAreTiedBothWays) {
  Window window;
  QAccessibleInterface* caption = window.Find("Dosya Boyutu :");
  QAccessibleInterface* size = window.Find("Dosya Boyutu");
  ASSERT_NE(caption, nullptr);
  ASSERT_NE(size, nullptr);
  const auto labels = size->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front().first, caption);
  EXPECT_EQ(labels.front().second, QAccessible::Label);
  const auto named = caption->relations(QAccessible::Labelled);
  ASSERT_EQ(named.size(), 1);
  EXPECT_EQ(named.front().first, size);
  EXPECT_EQ(named.front().second, QAccessible::Labelled);
  EXPECT_TRUE(caption->relations(QAccessible::Label).isEmpty());
  EXPECT_TRUE(window.Find("Vazgeç")->relations().isEmpty());
}

TEST(QtAccessible, TheDefaultActionIsDoneOnceTheClientHasItsAnswer) {
  Window window;
  const struct {
    const char* name;
    QString action;
  } cases[] = {
      {"Vazgeç", QAccessibleActionInterface::pressAction()},
      {"Sayfa", "jump"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    window.log.clear();
    QAccessibleActionInterface* actions = window.Find(each.name)->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->actionNames(), QStringList{each.action});
    actions->doAction(each.action);
    EXPECT_TRUE(window.log.empty());
    QApplication::processEvents();
    ASSERT_EQ(window.log.size(), 1u);
  }
  EXPECT_EQ(window.Find("Dosya Boyutu")->actionInterface(), nullptr);
}

TEST(QtAccessible, TheBarsValueAndTheFocusedPart) {
  Window window;
  QAccessibleValueInterface* value = window.Find("İlerleme")->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toDouble(), 42);
  EXPECT_EQ(value->maximumValue().toDouble(), 100);
  window.bar->range->Current = 43;
  EXPECT_EQ(value->currentValue().toDouble(), 43);
  EXPECT_EQ(window.Find("Vazgeç")->valueInterface(), nullptr);
  // The button is the one part that takes the focus.
  EXPECT_EQ(window.root->focusChild(), window.Find("Vazgeç"));
  EXPECT_TRUE(window.Find("Vazgeç")->state().focused);
  EXPECT_FALSE(window.Find("Sayfa")->state().focused);
}

// The window's client area in layout pixels on a widget of another size (a fractional scale
// that the window shows by its widget's size): rectangles grow with it, points shrink back.
TEST(QtAccessible, ClientRectanglesAndScreenPointsFollowTheWidgetsScale) {
  QWidget widget;
  const struct {
    QSize widgetSize;
    platform::TSize client;
    platform::TRect rect;
    QRect onWidget;
  } cases[] = {
      {{409, 305}, {409, 305}, {7, 268, 82, 293}, {7, 268, 75, 25}},
      {{614, 458}, {409, 305}, {7, 268, 82, 293}, {11, 402, 112, 38}},
      {{818, 610}, {409, 305}, {0, 0, 409, 305}, {0, 0, 818, 610}},
  };
  for (const auto& each : cases) {
    widget.setFixedSize(each.widgetSize);
    const QPoint origin = widget.mapToGlobal(QPoint(0, 0));
    const QRect screen = platform::posix::ClientToScreen(widget, each.client, each.rect);
    EXPECT_EQ(screen, each.onWidget.translated(origin));
    const platform::TPoint back =
        platform::posix::ScreenToClient(widget, each.client, screen.center());
    EXPECT_TRUE(each.rect.Contains(back)) << back.X << "," << back.Y;
  }
}

} // namespace
