// The control base and its form, driven through the host's entry points as a window would.
#include "FormInput.h"
#include "RecordingHost.h"
#include "SpyControl.h"
#include "controls/Canvas.h"
#include "controls/TForm.h"

#include <algorithm>
#include <gtest/gtest.h>

using controls::TControl;
using controls::TForm;
using platform::TKey;
using platform::TRect;
using Log = std::vector<std::string>;

namespace platform {
void PrintTo(const TRect& rect, std::ostream* out) {
  *out << "(" << rect.Left << "," << rect.Top << ")-(" << rect.Right << "," << rect.Bottom << ")";
}
} // namespace platform

namespace {

// A form 200 x 100 with a host that records. A (10,10)-(110,70) holds D (5,5)-(35,35); B
// (50,30)-(150,90) lies over A; C, hidden, covers everything.
struct Fixture {
  Fixture() {
    auto recording = std::make_unique<TRecordingHost>();
    host = recording.get();
    form.SetHost(std::move(recording));
    form.SetClientSize({200, 100});
    form.HostActivate(true);
    a = &form.AddControl<TSpyControl>("A", log);
    a->SetBounds(10, 10, 100, 60);
    d = &a->AddControl<TSpyControl>("D", log);
    d->SetBounds(5, 5, 30, 30);
    b = &form.AddControl<TSpyControl>("B", log);
    b->SetBounds(50, 30, 100, 60);
    c = &form.AddControl<TSpyControl>("C", log);
    c->SetBounds(0, 0, 200, 100);
    c->SetVisible(false);
    log.clear();
  }

  Log log;
  TForm form;
  TRecordingHost* host = nullptr;
  TSpyControl* a = nullptr;
  TSpyControl* b = nullptr;
  TSpyControl* c = nullptr;
  TSpyControl* d = nullptr;
  TFormInput input{form};
};

TEST(FormRouting, HitTestFindsTheFrontmostVisibleControl) {
  Fixture f;
  struct Case {
    platform::TPoint point;
    TControl* expected;
  } cases[] = {
      {{20, 20}, f.d},      // a child of A
      {{12, 12}, f.a},      // A beside its child
      {{60, 40}, f.b},      // A and B overlap: B is in front
      {{105, 20}, f.a},     // A only
      {{180, 5}, &f.form},  // no control: the form
      {{149, 89}, f.b},     // B's last pixel
      {{150, 90}, &f.form}, // right and bottom are outside
      {{200, 50}, nullptr}, // outside the window
  };
  for (const Case& c : cases)
    EXPECT_EQ(f.form.ControlAt(c.point), c.expected) << c.point.X << "," << c.point.Y;
}

TEST(FormRouting, DisabledControlsAndTheirChildrenTakeNoInput) {
  Fixture f;
  f.a->SetAcceptsFocus(true);
  f.d->SetAcceptsFocus(true);
  f.a->SetEnabled(false);
  EXPECT_EQ(f.form.ControlAt({20, 20}), nullptr);
  f.input.Click(20, 20);
  f.input.Click(12, 12);
  f.input.Key(TKey::Space);
  EXPECT_EQ(f.log, Log{});
  EXPECT_EQ(f.form.FocusedControl(), nullptr);
  EXPECT_FALSE(f.host->capture);
  // Enabled again, the same click arrives.
  f.a->SetEnabled(true);
  f.input.Click(12, 12);
  EXPECT_EQ(f.log,
            (Log{"A:enter", "A:move 2,2", "A:focusin", "A:down 2,2", "A:up 2,2", "A:move 2,2"}));
}

TEST(FormRouting, ThePressedControlKeepsTheMouseUntilRelease) {
  Fixture f;
  f.input.Press(12, 12); // on A
  EXPECT_TRUE(f.host->capture);
  f.input.Move(100, 80);    // over B, A keeps the mouse and stops being hot
  f.input.Move(300, 300);   // outside the window
  f.input.Leave();          // not while captured
  f.input.Move(20, 60);     // back over A
  f.input.Release(100, 80); // released over B
  EXPECT_FALSE(f.host->capture);
  EXPECT_EQ(f.log,
            (Log{"A:enter", "A:move 2,2", "A:down 2,2", "A:leave", "A:move 90,70", "A:move 290,290",
                 "A:enter", "A:move 10,50", "A:up 90,70", "A:leave", "B:enter", "B:move 50,50"}));
  EXPECT_EQ(f.form.CaptureControl(), nullptr);
  EXPECT_EQ(f.form.HotControl(), f.b);
}

TEST(FormRouting, ASecondButtonGoesToTheCaptureAndTheLastReleaseEndsIt) {
  Fixture f;
  f.input.Press(12, 12);
  f.form.HostMouseDown(platform::TMouseButton::Right, {100, 80}, 0);
  f.form.HostMouseUp(platform::TMouseButton::Left, {100, 80}, 0);
  EXPECT_TRUE(f.host->capture);
  EXPECT_EQ(f.form.CaptureControl(), f.a);
  f.form.HostMouseUp(platform::TMouseButton::Right, {100, 80}, 0);
  EXPECT_FALSE(f.host->capture);
  EXPECT_EQ(f.form.CaptureControl(), nullptr);
}

TEST(FormRouting, ALostCaptureTellsThePressedControlAndDropsTheRelease) {
  Fixture f;
  f.input.Press(12, 12);
  f.log.clear();
  f.form.HostCaptureLost();
  f.input.Release(12, 12);
  EXPECT_EQ(f.log, Log{"A:lost"});
  EXPECT_EQ(f.form.CaptureControl(), nullptr);
}

TEST(FormRouting, HotTrackingEntersAndLeavesIncludingTheWindowEdge) {
  Fixture f;
  f.b->SetCursor(platform::TCursor::HandPoint);
  f.input.Move(12, 12);
  f.input.Move(13, 12);
  EXPECT_EQ(f.host->cursor, platform::TCursor::Arrow);
  f.input.Move(120, 80);
  EXPECT_EQ(f.host->cursor, platform::TCursor::HandPoint);
  f.input.Leave();
  EXPECT_EQ(f.host->cursor, platform::TCursor::Arrow);
  EXPECT_EQ(f.log, (Log{"A:enter", "A:move 2,2", "A:move 3,2", "A:leave", "B:enter", "B:move 70,50",
                        "B:leave"}));
  EXPECT_EQ(f.form.HotControl(), nullptr);
}

TEST(FormRouting, HidingOrRemovingTheHotAndPressedControlIsSafe) {
  Fixture f;
  f.input.Press(60, 40); // B
  f.b->SetVisible(false);
  EXPECT_EQ(f.log, (Log{"B:enter", "B:move 10,10", "B:down 10,10", "B:lost", "B:leave"}));
  EXPECT_FALSE(f.host->capture);
  f.input.Release(60, 40);
  f.log.clear();
  f.input.Press(20, 20); // D, then D goes with its parent
  std::unique_ptr<TControl> gone = f.form.RemoveControl(*f.a);
  gone.reset();
  EXPECT_EQ(f.form.CaptureControl(), nullptr);
  EXPECT_EQ(f.form.HotControl(), nullptr);
  f.input.Release(20, 20);
  f.input.Move(21, 21);
  EXPECT_EQ(f.form.HotControl(), &f.form);
}

// Focus and tab order: five controls that take the focus, one of them inside a panel.
struct TabFixture : Fixture {
  TabFixture() {
    for (TSpyControl* each : {a, b, d}) {
      each->SetAcceptsFocus(true);
      each->SetTabStop(true);
    }
    e = &form.AddControl<TSpyControl>("E", log);
    e->SetAcceptsFocus(true);
    e->SetTabStop(true);
    e->SetBounds(160, 5, 30, 20);
    noStop = &form.AddControl<TSpyControl>("N", log);
    noStop->SetAcceptsFocus(true);
    noStop->SetBounds(160, 30, 30, 20);
    // B before A among the form's children.
    b->SetTabOrder(0);
    a->SetTabOrder(1);
    log.clear();
  }

  std::vector<std::string> Visit(int count, bool back) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
      input.Tab(back);
      names.push_back(Name(form.FocusedControl()));
    }
    return names;
  }
  std::string Name(TControl* control) {
    for (auto [each, name] :
         {std::pair<TControl*, const char*>{a, "A"}, {b, "B"}, {d, "D"}, {e, "E"}, {noStop, "N"}}) {
      if (each == control)
        return name;
    }
    return "-";
  }

  TSpyControl* e = nullptr;
  TSpyControl* noStop = nullptr;
};

TEST(FormFocus, TabFollowsTabOrderDepthFirstAndWraps) {
  TabFixture f;
  EXPECT_EQ(f.Visit(5, false), (std::vector<std::string>{"B", "A", "D", "E", "B"}));
  EXPECT_EQ(f.Visit(4, true), (std::vector<std::string>{"E", "D", "A", "B"}));
}

TEST(FormFocus, TabSkipsDisabledHiddenAndControlsInsideThem) {
  TabFixture f;
  f.a->SetEnabled(false); // D, its child, goes with it
  f.e->SetVisible(false);
  EXPECT_EQ(f.Visit(3, false), (std::vector<std::string>{"B", "B", "B"}));
  f.a->SetEnabled(true);
  f.a->SetVisible(false);
  f.e->SetVisible(true);
  EXPECT_EQ(f.Visit(3, false), (std::vector<std::string>{"E", "B", "E"}));
}

TEST(FormFocus, FocusMovesWithInAndOutAndFollowsTheWindow) {
  TabFixture f;
  f.form.Show();
  EXPECT_EQ(f.form.FocusedControl(), f.b) << "the first in tab order";
  f.input.Tab();
  f.form.HostActivate(false);
  EXPECT_FALSE(f.a->Focused());
  f.form.HostActivate(true);
  EXPECT_TRUE(f.a->Focused());
  EXPECT_EQ(f.log, (Log{"B:focusin", "B:focusout", "A:focusin", "A:focusout", "A:focusin"}));
}

TEST(FormFocus, AClickFocusesOnlyControlsThatTakeTheFocus) {
  TabFixture f;
  f.input.Click(165, 35); // N: no tab stop, but takes the focus
  EXPECT_EQ(f.form.FocusedControl(), f.noStop);
  f.noStop->SetAcceptsFocus(false);
  f.e->SetAcceptsFocus(false);
  f.input.Click(165, 10); // E does not take it: the focus stays
  EXPECT_EQ(f.form.FocusedControl(), f.noStop);
}

TEST(FormFocus, HidingTheFocusedControlTakesTheFocusAway) {
  TabFixture f;
  ASSERT_TRUE(f.d->SetFocus());
  f.log.clear();
  f.a->SetVisible(false);
  EXPECT_EQ(f.log, Log{"D:focusout"});
  EXPECT_EQ(f.form.FocusedControl(), nullptr);
  EXPECT_FALSE(f.d->SetFocus());
}

TEST(FormKeys, KeysGoToTheFocusedControlFirst) {
  TabFixture f;
  f.b->takes = {TKey::Tab, TKey::A};
  f.b->SetFocus();
  f.log.clear();
  EXPECT_TRUE(f.input.Tab());
  f.input.Type("a");
  EXPECT_EQ(f.log, (Log{"B:key 9 ", "B:key 65 a"}));
  EXPECT_EQ(f.form.FocusedControl(), f.b);
}

TEST(FormKeys, AcceleratorsOfTurkishLetters) {
  struct Case {
    const char* caption;
    char32_t character; // what the key stands for
    unsigned shift;
    bool clicked;
  } cases[] = {
      {"&Çık", U'ç', platform::ssAlt, true},
      {"&Çık", U'Ç', platform::ssAlt | platform::ssShift, true},
      {"&Çık", U'c', platform::ssAlt, false},
      {"&Çık", U'ç', 0, true}, // the bare letter the focused control does not take
      {"&Çık", U'ç', platform::ssCtrl, false},
      {"Ara&ş", U'ş', platform::ssAlt, true},
      {"Ara&ş", U's', platform::ssAlt, false},
      {"&Ğ", U'ğ', platform::ssAlt, true},
      {"&Iğdır", U'ı', platform::ssAlt, true},
      {"&Iğdır", U'i', platform::ssAlt, true},
      {"&İptal", U'i', platform::ssAlt, true},
      {"&İptal", U'ı', platform::ssAlt, true},
      {"&İptal", U'ü', platform::ssAlt, false},
      {"&Öğe", 0, platform::ssAlt, false},
  };
  for (const Case& c : cases) {
    TabFixture f;
    f.e->SetAccelerator(controls::AcceleratorOf(c.caption));
    f.b->SetFocus();
    f.log.clear();
    // A key of the system's own (no key of ours), known by its character alone.
    const bool used = f.form.HostKeyDown(TKey::None, c.shift, {}, c.character);
    const bool clicked = std::find(f.log.begin(), f.log.end(), "E:click") != f.log.end();
    EXPECT_EQ(clicked, c.clicked) << c.caption << " " << static_cast<unsigned>(c.character);
    EXPECT_EQ(used, c.clicked) << c.caption;
  }
}

TEST(FormKeys, Accelerators) {
  struct Case {
    const char* name;
    TKey key;
    unsigned shift;
    bool focusedTakesLetters;
    bool targetEnabled;
    bool clicked;
  } cases[] = {
      {"Alt+letter", TKey('O'), platform::ssAlt, false, true, true},
      {"bare letter", TKey('O'), 0, false, true, true},
      {"bare letter the focused control takes", TKey('O'), 0, true, true, false},
      {"Alt+letter beside a control that takes letters", TKey('O'), platform::ssAlt, true, true,
       true},
      {"disabled target", TKey('O'), platform::ssAlt, false, false, false},
      {"Ctrl+letter", TKey('O'), platform::ssCtrl, false, true, false},
      {"another letter", TKey('P'), platform::ssAlt, false, true, false},
      {"Alt+digit", TKey('2'), platform::ssAlt, false, true, true},
  };
  for (const Case& c : cases) {
    TabFixture f;
    f.e->SetAccelerator(c.key == TKey('2') ? '2' : 'o');
    f.e->SetEnabled(c.targetEnabled);
    if (c.focusedTakesLetters)
      f.b->takes = {TKey('O')};
    f.b->SetFocus();
    f.log.clear();
    f.input.Key(c.key, c.shift);
    const bool clicked = std::find(f.log.begin(), f.log.end(), "E:click") != f.log.end();
    EXPECT_EQ(clicked, c.clicked) << c.name;
    if (c.clicked) {
      EXPECT_EQ(f.form.FocusedControl(), f.e) << c.name;
    }
  }
}

TEST(FormKeys, EnterClicksTheDefaultAndEscapeTheCancelControl) {
  TabFixture f;
  EXPECT_FALSE(f.input.Key(TKey::Enter)) << "no default control: the key is not used";
  f.a->SetDefault(true);
  f.e->SetCancel(true);
  f.b->SetFocus();
  f.log.clear();
  EXPECT_TRUE(f.input.Key(TKey::Enter));
  EXPECT_TRUE(f.input.Key(TKey::Escape));
  EXPECT_EQ(f.log, (Log{"A:click", "E:click"}));
  EXPECT_EQ(f.form.FocusedControl(), f.b) << "Enter and Escape do not move the focus";
  // A focused control that uses Enter keeps it; a disabled default is not clicked.
  f.b->takes = {TKey::Enter};
  f.log.clear();
  f.input.Key(TKey::Enter);
  f.b->takes = {};
  f.a->SetEnabled(false);
  EXPECT_FALSE(f.input.Key(TKey::Enter));
  EXPECT_EQ(f.log, (Log{"B:key 13 "}));
}

TEST(FormPainting, InvalidationCollectsTheVisibleDirtyParts) {
  Fixture f;
  f.form.HostPaint();
  f.host->invalidated.clear();
  f.d->InvalidateRect({20, 20, 60, 60}); // clipped to D: (35,35)-(45,45)
  f.c->Invalidate();                     // hidden: nothing
  f.b->InvalidateRect({0, 0, 10, 10});
  f.b->InvalidateRect({2, 2, 5, 5}); // inside the previous one
  const std::vector<TRect> expected{{35, 35, 45, 45}, {50, 30, 60, 40}};
  EXPECT_EQ(f.form.DirtyRects(), expected);
  EXPECT_EQ(f.host->invalidated, expected);
  f.form.HostPaint();
  EXPECT_TRUE(f.form.DirtyRects().empty());
  // A control that moves dirties where it was and where it is.
  f.b->SetBounds(0, 0, 10, 10);
  EXPECT_EQ(f.form.DirtyRects(), (std::vector<TRect>{{50, 30, 150, 90}, {0, 0, 10, 10}}));
}

TEST(FormPainting, ManyDirtyPartsBecomeOneAroundThem) {
  Fixture f;
  f.form.HostPaint();
  for (int i = 0; i < 12; ++i)
    f.b->InvalidateRect({i * 5, 0, i * 5 + 2, 2});
  const std::vector<TRect>& dirty = f.form.DirtyRects();
  EXPECT_LE(dirty.size(), 8u);
  for (int i = 0; i < 12; ++i) {
    const TRect part{50 + i * 5, 30, 52 + i * 5, 32};
    EXPECT_TRUE(std::any_of(dirty.begin(), dirty.end(),
                            [&](const TRect& each) { return each.Intersected(part) == part; }))
        << "part " << i;
  }
}

TEST(FormPainting, TheBackgroundFillsThePictureInDevicePixels) {
  for (int scale : {1, 2}) {
    TForm form;
    auto host = std::make_unique<TRecordingHost>();
    host->dpi = 96 * scale;
    form.SetHost(std::move(host));
    form.SetClientSize({20, 10});
    ASSERT_EQ(form.Bitmap().Size(), (platform::TSize{20 * scale, 10 * scale}));
    form.SetColor(0xFF00FF00u);
    const platform::TBitmap& picture = form.HostPaint();
    for (int y = 0; y < 10 * scale; ++y) {
      for (int x = 0; x < 20 * scale; ++x)
        ASSERT_EQ(picture.Pixel(x, y), 0xFF00FF00u) << x << "," << y << " at " << scale;
    }
  }
}

TEST(FormClose, CloseCanBeRefusedAndHidesWhenAccepted) {
  Fixture f;
  f.form.Show();
  int closed = 0;
  bool allow = false;
  f.form.OnCloseQuery = [&] { return allow; };
  f.form.OnClose = [&] { ++closed; };
  f.form.HostCloseRequest();
  EXPECT_TRUE(f.host->shown);
  EXPECT_EQ(closed, 0);
  allow = true;
  f.form.HostCloseRequest();
  EXPECT_FALSE(f.host->shown);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(f.form.Shown());
}

TEST(FormHost, CaptionSizeAndShowReachTheHost) {
  Fixture f;
  f.form.SetCaption("Kolvarin Radyo Güncelleme");
  f.form.Show();
  EXPECT_EQ(f.host->title, "Kolvarin Radyo Güncelleme");
  EXPECT_EQ(f.host->clientSize, (platform::TSize{200, 100}));
  EXPECT_TRUE(f.host->shown);
  // The window reports another size: the picture follows.
  f.form.HostResize({50, 40}, 192);
  EXPECT_EQ(f.form.Bitmap().Size(), (platform::TSize{100, 80}));
  EXPECT_EQ(f.form.DirtyRects(), (std::vector<TRect>{{0, 0, 50, 40}}));
}

} // namespace
