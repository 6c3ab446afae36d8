// What the controls tell the system's accessibility clients: the tree of parts a host
// translates, the default actions, and the changes it announces, at a pace.
#include "controls/Accessible.h"

#include "AccessibleParts.h"
#include "FormInput.h"
#include "RecordingHost.h"
#include "controls/TForm.h"
#include "controls/TKvButton.h"
#include "controls/TKvLabel.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;
using platform::TAccessibleChange;
using platform::TAccessibleRole;
using Changes = std::vector<std::pair<int, TAccessibleChange>>;

// The form of a window 300 x 200 with a host that records.
struct RecordedForm {
  RecordedForm() {
    auto recording = std::make_unique<TRecordingHost>();
    host = recording.get();
    form.SetHost(std::move(recording));
    form.SetCaption("Güncelleme");
    form.SetClientSize({300, 200});
  }
  TForm form;
  TRecordingHost* host = nullptr;
};

// The updater's kinds of parts, and a plain container (no role) holding a button and another
// outside what it shows.
struct Window : RecordedForm, TAccessibleParts {
  Window() : TAccessibleParts(form) {
    plain = &form.AddControl<TControl>();
    plain->SetBounds(0, 100, 300, 40);
    inner = &plain->AddControl<TKvButton>();
    inner->SetBounds(10, 5, 80, 25);
    inner->SetCaption("İç");
    inner->SetTabStop(false);
    offscreen = &plain->AddControl<TKvButton>();
    offscreen->SetBounds(400, 5, 80, 25);
    offscreen->SetCaption("Dışarıda");
    offscreen->SetAcceptsFocus(false);
    form.Show();
    form.HostActivate(true);
    host->accessibleChanges.clear();
  }

  int Id(const TControl& control) { return form.Accessible().IdOf(control); }

  TControl* plain = nullptr;
  TKvButton* inner = nullptr;
  TKvButton* offscreen = nullptr;
};

TEST(AccessibleTree, EachPartTellsItsRoleNameValueStatesActionAndPlace) {
  using namespace platform;
  Window w;
  struct Row {
    const TControl* control;
    TAccessibleRole role;
    std::string name;
    std::string value;
    unsigned state;
    std::string action;
    const TControl* parent;
  } rows[] = {
      {&w.form, TAccessibleRole::Window, "Güncelleme", "", 0, "", nullptr},
      {w.group, TAccessibleRole::Grouping, "Durum Bilgileri", "", 0, "", &w.form},
      {w.linkCaption, TAccessibleRole::StaticText, "Dosya İndirme Sayfası", "", 0, "", w.group},
      {w.link, TAccessibleRole::Link, "Dosya İndirme Sayfası", "http://example.test/k.txt",
       asFocusable, "jump", w.group},
      {w.sizeCaption, TAccessibleRole::StaticText, "Dosya Boyutu :", "", 0, "", w.group},
      {w.size, TAccessibleRole::StaticText, "Dosya Boyutu", "3240258 Kb", 0, "", w.group},
      {w.bar, TAccessibleRole::ProgressBar, "Durum Bilgileri", "45%", 0, "", &w.form},
      // The plain container passes its buttons to the form.
      {w.inner, TAccessibleRole::PushButton, "İç", "", asFocusable, "press", &w.form},
      {w.offscreen, TAccessibleRole::PushButton, "Dışarıda", "", asOffscreen, "press", &w.form},
      {w.update, TAccessibleRole::PushButton, "Güncelle", "", asFocused | asFocusable | asDefault,
       "press", &w.form},
      {w.manual, TAccessibleRole::PushButton, "Manuel Güncelle", "", asUnavailable, "press",
       &w.form},
      {w.cancel, TAccessibleRole::PushButton, "Vazgeç", "", asFocusable, "press", &w.form},
      {w.hidden, TAccessibleRole::StaticText, "Label1", "", asInvisible, "", &w.form},
  };
  ASSERT_EQ(w.form.Accessible().AccessibleCount() + 1, static_cast<int>(std::size(rows)));
  for (const Row& row : rows) {
    const int id = w.Id(*row.control);
    ASSERT_GE(id, 0) << row.name;
    const auto node = w.form.Accessible().AccessibleNode(id);
    ASSERT_TRUE(node) << row.name;
    EXPECT_EQ(node->Id, id);
    EXPECT_EQ(node->Role, row.role) << row.name;
    EXPECT_EQ(node->Name, row.name);
    EXPECT_EQ(node->Value, row.value) << row.name;
    EXPECT_EQ(node->State, row.state) << row.name;
    EXPECT_EQ(node->DefaultAction, row.action) << row.name;
    EXPECT_EQ(node->Parent, row.parent ? w.Id(*row.parent) : -1) << row.name;
    // Each part is among its parent's children, in the order of the tree.
    if (row.parent) {
      const auto parent = w.form.Accessible().AccessibleNode(node->Parent);
      EXPECT_NE(std::find(parent->Children.begin(), parent->Children.end(), id),
                parent->Children.end())
          << row.name;
    }
  }
  EXPECT_FALSE(w.form.Accessible().AccessibleNode(static_cast<int>(std::size(rows))));
  EXPECT_FALSE(w.form.Accessible().AccessibleNode(-1));
  // Ids follow a depth-first walk.
  EXPECT_EQ(w.Id(*w.group), 1);
  EXPECT_EQ(w.Id(*w.link), 3);
  EXPECT_EQ(w.Id(*w.bar), 6);
}

TEST(AccessibleTree, LabelsAndWhatTheyNameAreTiedBothWays) {
  Window w;
  const auto size = w.form.Accessible().AccessibleNode(w.Id(*w.size));
  const auto caption = w.form.Accessible().AccessibleNode(w.Id(*w.sizeCaption));
  EXPECT_EQ(size->LabelledBy, w.Id(*w.sizeCaption));
  EXPECT_EQ(caption->LabelFor, std::vector<int>{w.Id(*w.size)});
  const auto bar = w.form.Accessible().AccessibleNode(w.Id(*w.bar));
  EXPECT_EQ(bar->LabelledBy, w.Id(*w.group));
  ASSERT_TRUE(bar->Range);
  EXPECT_EQ(*bar->Range, (platform::TAccessibleRange{0, 100, 45}));
  // A label that leaves the form names nothing any more.
  w.group->RemoveControl(*w.sizeCaption);
  EXPECT_EQ(w.size->AccessibleLabel(), nullptr);
  EXPECT_EQ(w.form.Accessible().AccessibleNode(w.Id(*w.size))->Name, "3240258 Kb");
}

TEST(AccessibleTree, BoundsAreInTheClientAreaAndAPointFindsTheDeepestPart) {
  Window w;
  EXPECT_EQ(w.form.Accessible().AccessibleNode(w.Id(*w.inner))->Bounds,
            (platform::TRect{10, 105, 90, 130}));
  EXPECT_EQ(w.form.Accessible().AccessibleNode(0)->Bounds, (platform::TRect{0, 0, 300, 200}));
  EXPECT_EQ(w.form.Accessible().AccessibleNode(0)->Accelerator, "");
  EXPECT_EQ(w.form.Accessible().AccessibleNode(w.Id(*w.update))->Accelerator, "G");
  struct Case {
    platform::TPoint point;
    int expected;
  } cases[] = {
      {{115, 60}, w.Id(*w.size)},    // a label inside the group
      {{200, 30}, w.Id(*w.group)},   // the group beside its labels
      {{20, 110}, w.Id(*w.inner)},   // through the container without a role
      {{200, 110}, 0},               // the container itself: the window
      {{120, 170}, w.Id(*w.manual)}, // a disabled button is still found
      {{300, 100}, -1},              // outside the window
  };
  for (const Case& c : cases)
    EXPECT_EQ(w.form.Accessible().AccessibleAt(c.point), c.expected)
        << c.point.X << "," << c.point.Y;
}

TEST(AccessibleTree, DefaultActionsDoWhatAClickDoesAndOnlyWhereOneWould) {
  Window w;
  int updates = 0, cancels = 0;
  std::vector<std::string> opened;
  platform::SetShellOpener([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  w.update->OnClick = [&](TKvCustomButton*) { ++updates; };
  w.manual->OnClick = [&](TKvCustomButton*) { ADD_FAILURE() << "a disabled button pressed"; };
  w.cancel->OnClick = [&](TKvCustomButton*) { ++cancels; };
  auto& tree = w.form.Accessible();
  EXPECT_TRUE(tree.AccessibleDoDefaultAction(w.Id(*w.update)));
  EXPECT_TRUE(tree.AccessibleDoDefaultAction(w.Id(*w.cancel)));
  EXPECT_FALSE(tree.AccessibleDoDefaultAction(w.Id(*w.manual)));
  EXPECT_FALSE(tree.AccessibleDoDefaultAction(w.Id(*w.size)));
  EXPECT_FALSE(tree.AccessibleDoDefaultAction(0));
  EXPECT_FALSE(tree.AccessibleDoDefaultAction(99));
  EXPECT_TRUE(tree.AccessibleDoDefaultAction(w.Id(*w.link)));
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(opened, std::vector<std::string>{"http://example.test/k.txt"});
  platform::SetShellOpener({});
  // Focus as a client asks for it.
  EXPECT_TRUE(tree.AccessibleSetFocus(w.Id(*w.cancel)));
  EXPECT_EQ(tree.AccessibleFocus(), w.Id(*w.cancel));
  EXPECT_FALSE(tree.AccessibleSetFocus(w.Id(*w.manual)));
  EXPECT_FALSE(tree.AccessibleSetFocus(w.Id(*w.size)));
  w.form.HostActivate(false);
  EXPECT_EQ(tree.AccessibleFocus(), -1);
}

// The pacer with a clock and an event loop of the test's own.
struct PacedWindow : Window {
  PacedWindow() {
    w().AnnouncementPacer().SetClock([this] { return now; });
    w().AnnouncementPacer().SetScheduler(
        [this](std::chrono::milliseconds delay, std::function<void()> handler) {
          scheduled.push_back({now + delay, std::move(handler)});
        });
  }
  TForm& w() { return form; }
  // Runs what is due by `time`.
  void RunUntil(TAnnouncementPacer::Clock::time_point time) {
    now = time;
    for (std::size_t each = 0; each < scheduled.size(); ++each) {
      if (scheduled[each].first <= now && scheduled[each].second) {
        auto handler = std::move(scheduled[each].second);
        scheduled[each].second = nullptr;
        handler();
      }
    }
  }

  // The fixture's own changes were told by the steady clock: this one goes on from there.
  TAnnouncementPacer::Clock::time_point now = TAnnouncementPacer::Clock::now();
  std::vector<std::pair<TAnnouncementPacer::Clock::time_point, std::function<void()>>> scheduled;
};

TEST(AccessibleChanges, FocusNamesValuesAndStatesAreToldForTheRightPart) {
  using namespace std::chrono_literals;
  PacedWindow w;
  TFormInput input(w.form);
  struct Step {
    const char* what;
    std::function<void()> act;
    Changes expected;
  } steps[] = {
      {"Tab", [&] { input.Tab(); }, {{w.Id(*w.cancel), TAccessibleChange::Focus}}},
      {"disabled",
       [&] { w.update->SetEnabled(false); },
       {{w.Id(*w.update), TAccessibleChange::State}}},
      {"hidden", [&] { w.inner->SetVisible(false); }, {{w.Id(*w.inner), TAccessibleChange::State}}},
      {"status line",
       [&] { w.linkCaption->SetCaption("Bağlanıyor"); },
       {{w.Id(*w.linkCaption), TAccessibleChange::Name}}},
      {"labelled value",
       [&] { w.size->SetCaption("12 Kb"); },
       {{w.Id(*w.size), TAccessibleChange::Value}}},
      {"link target",
       [&] { w.link->SetURL("http://example.test/other"); },
       {{w.Id(*w.link), TAccessibleChange::Value}}},
      {"bar", [&] { w.bar->SetPartsComplete(200); }, {{w.Id(*w.bar), TAccessibleChange::Value}}},
      {"same caption", [&] { w.size->SetCaption("12 Kb"); }, {}},
      {"hidden label's caption", [&] { w.hidden->SetCaption("00:01:00 Sn"); }, {}},
      {"hidden label shown",
       [&] { w.hidden->SetVisible(true); },
       {{w.Id(*w.hidden), TAccessibleChange::State}}},
      {"button caption",
       [&] { w.cancel->SetCaption("Kapat"); },
       {{w.Id(*w.cancel), TAccessibleChange::Name}}},
      {"window title", [&] { w.form.SetCaption("Bitti"); }, {{0, TAccessibleChange::Name}}},
      {"activated",
       [&] {
         w.form.HostActivate(false);
         w.form.HostActivate(true);
       },
       {{w.Id(*w.cancel), TAccessibleChange::Focus}}},
  };
  for (Step& step : steps) {
    // Each after a quiet while: none waits for its turn.
    w.RunUntil(w.now + 1s);
    w.host->accessibleChanges.clear();
    step.act();
    EXPECT_EQ(w.host->accessibleChanges, step.expected) << step.what;
  }
}

TEST(AccessibleChanges, ADownloadsProgressIsToldAFewTimesASecondEndingWithTheLastValue) {
  using namespace std::chrono_literals;
  PacedWindow w;
  const int bar = w.Id(*w.bar);
  w.bar->SetTotalParts(1000);
  w.host->accessibleChanges.clear();
  const auto start = w.now;
  // A chunk every 5 ms for one second, and the sizes' label with each.
  for (int chunk = 1; chunk <= 200; ++chunk) {
    w.RunUntil(start + chunk * 5ms);
    w.bar->SetPartsComplete(static_cast<std::uint32_t>(chunk * 5));
    w.size->SetCaption(std::to_string(chunk * 5) + " Kb");
  }
  w.RunUntil(start + 2s);
  int barChanges = 0, sizeChanges = 0;
  for (const auto& [id, change] : w.host->accessibleChanges) {
    barChanges += id == bar && change == TAccessibleChange::Value;
    sizeChanges += id == w.Id(*w.size) && change == TAccessibleChange::Value;
  }
  // 200 chunks in a second: at most one a quarter second each, the last told after them.
  EXPECT_GE(barChanges, 4);
  EXPECT_LE(barChanges, 5);
  EXPECT_GE(sizeChanges, 4);
  EXPECT_LE(sizeChanges, 5);
  EXPECT_EQ(w.host->accessibleChanges.back().first == bar ||
                w.host->accessibleChanges.back().first == w.Id(*w.size),
            true);
  // A change after a quiet interval is told at once; focus never waits.
  w.host->accessibleChanges.clear();
  w.RunUntil(start + 3s);
  w.bar->SetPartsComplete(0);
  EXPECT_EQ(w.host->accessibleChanges, (Changes{{bar, TAccessibleChange::Value}}));
  w.bar->SetPartsComplete(10);
  TFormInput(w.form).Tab();
  EXPECT_EQ(w.host->accessibleChanges, (Changes{{bar, TAccessibleChange::Value},
                                                {w.Id(*w.cancel), TAccessibleChange::Focus}}));
}

TEST(AccessibleChanges, AChangeWaitingForItsTurnIsDroppedWhenItsControlLeaves) {
  using namespace std::chrono_literals;
  PacedWindow w;
  w.size->SetCaption("1 Kb");
  w.size->SetCaption("2 Kb");
  ASSERT_EQ(w.scheduled.size(), 1u);
  std::unique_ptr<TControl> gone = w.group->RemoveControl(*w.size);
  gone.reset();
  w.host->accessibleChanges.clear();
  w.RunUntil(w.now + 1s);
  EXPECT_TRUE(w.host->accessibleChanges.empty());
}

TEST(AccessibleNames, ALabelsCaptionNamesWithoutMarkersColonAndTrailingSpaces) {
  struct Case {
    const char* caption;
    const char* name;
  } cases[] = {
      {"Dosya Boyutu :", "Dosya Boyutu"},
      {"Yeni Sürüm : ", "Yeni Sürüm"},
      {"&Güncelle", "Güncelle"},
      {"A && B:", "A & B"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LabelName(c.caption), c.name) << c.caption;
}

} // namespace
