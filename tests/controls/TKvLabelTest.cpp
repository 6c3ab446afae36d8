#include "controls/TKvLabel.h"

#include "FormInput.h"
#include "RecordingHost.h"
#include "controls/TForm.h"
#include "controls/TKvURLLabel.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

namespace {

using namespace controls;

class Labels : public testing::Test {
protected:
  void SetUp() override { SetColorScheme(ColorScheme::Classic); }
  void TearDown() override { platform::SetShellOpener({}); }
};

// A label that counts its paints and layouts (measures of its text) and keeps the caption
// each paint showed.
class CountingLabel : public TKvLabel {
public:
  int paints = 0;
  int layouts = 0;
  std::string painted;

protected:
  void Paint(TCanvas& canvas) override {
    ++paints;
    painted = Caption();
    TKvLabel::Paint(canvas);
  }
  void Layout() override {
    ++layouts;
    TKvLabel::Layout();
  }
};

TEST_F(Labels, CaptionsSetManyTimesBetweenTwoPaintsArePaintedOnceEndingOnTheLast) {
  TForm form;
  form.HostResize({200, 50}, platform::BaseDpi);
  auto& label = form.AddControl<CountingLabel>();
  form.HostPaint();
  label.paints = label.layouts = 0;
  for (int i = 1; i <= 20000; ++i) {
    label.SetCaption(std::to_string(i) + " Kb");
    if (i % 50 == 0)
      form.HostPaint();
  }
  EXPECT_EQ(label.paints, 20000 / 50);
  EXPECT_EQ(label.layouts, 20000 / 50) << "measured once a paint, not once a caption";
  EXPECT_EQ(label.painted, "20000 Kb");
  form.HostPaint();
  EXPECT_EQ(label.paints, 20000 / 50) << "no paint without a change";
}

TEST_F(Labels, ACaptionIsMeasuredWhenTheBoundsAreReadAndAtOnceOffAForm) {
  TForm form;
  form.HostResize({200, 50}, platform::BaseDpi);
  auto& onForm = form.AddControl<CountingLabel>();
  CountingLabel alone;
  TKvLabel reference;
  for (const char* caption : {"1 Kb", "1234567890 Kb", "", "12 Kb"}) {
    reference.SetCaption(caption);
    alone.layouts = onForm.layouts = 0;
    alone.SetCaption(caption);
    onForm.SetCaption(caption);
    EXPECT_EQ(alone.layouts, 1) << caption;
    EXPECT_EQ(onForm.layouts, 0) << caption;
    EXPECT_EQ(onForm.BoundsRect(), reference.BoundsRect()) << caption;
    EXPECT_EQ(onForm.Width(), reference.Width()) << caption;
    EXPECT_EQ(onForm.layouts, 1) << caption << ": once";
  }
}

TEST_F(Labels, AfterManyCaptionsThePictureIsThatOfTheLastAlone) {
  // Growing and shrinking between paints, nothing reading the label's bounds meanwhile.
  const auto picture = [](const std::vector<std::string>& captions) {
    TForm form;
    form.HostResize({200, 50}, platform::BaseDpi);
    auto& label = form.AddControl<TKvLabel>();
    label.SetBounds(10, 10, 0, 0);
    label.SetTransparent(true);
    form.HostPaint();
    for (std::size_t i = 0; i < captions.size(); ++i) {
      label.SetCaption(captions[i]);
      if (i % 2 == 1)
        form.HostPaint();
    }
    return form.HostPaint();
  };
  const platform::TBitmap last = picture({"99999 Kb"});
  for (const auto& captions :
       std::vector<std::vector<std::string>>{{"1 Kb", "99999 Kb"},
                                             {"1234567890123 Kb", "1 Kb", "99999 Kb"},
                                             {"1 Kb", "22 Kb", "1234567890123 Kb", "99999 Kb"}}) {
    const platform::TBitmap shown = picture(captions);
    ASSERT_EQ(shown.Size(), last.Size());
    for (int y = 0; y < last.Height(); ++y)
      for (int x = 0; x < last.Width(); ++x)
        ASSERT_EQ(shown.Pixel(x, y), last.Pixel(x, y)) << captions.size() << ": " << x << "," << y;
  }
}

TEST_F(Labels, ALabelThatShrinksLeavesNoTextBehind) {
  TForm form;
  form.HostResize({200, 50}, platform::BaseDpi);
  auto& label = form.AddControl<TKvLabel>();
  label.SetTransparent(true);
  label.SetCaption("12345678 Kb");
  form.HostPaint();
  const int wide = label.Width();
  label.SetCaption("1 Kb");
  ASSERT_LT(label.Width(), wide);
  const platform::TBitmap& picture = form.HostPaint();
  for (int x = label.Width(); x < wide; ++x)
    for (int y = 0; y < label.Height(); ++y)
      ASSERT_EQ(picture.Pixel(x, y), form.Color()) << x << "," << y;
}

TEST_F(Labels, AClickReleasedInsideAnEnabledLabelRaisesOnClick) {
  TForm form;
  form.HostResize({200, 50}, platform::BaseDpi);
  auto& label = form.AddControl<TKvLabel>();
  label.SetCaption("Label");
  int clicks = 0;
  label.OnClick = [&](TKvLabel* sender) {
    EXPECT_EQ(sender, &label);
    ++clicks;
  };
  TFormInput input(form);
  input.Click(2, 2);
  EXPECT_EQ(clicks, 1);
  input.Press(2, 2);
  input.Release(150, 40); // released outside
  EXPECT_EQ(clicks, 1);
  label.SetEnabled(false);
  input.Click(2, 2);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Labels, AURLLabelOpensItsTargetAndTurnsVisited) {
  std::vector<std::string> opened;
  bool succeed = true;
  platform::SetShellOpener([&](const std::string& target) {
    opened.push_back(target);
    return succeed;
  });
  struct Case {
    std::string url, caption;
    std::vector<std::string> opened;
    bool visited;
  };
  const Case cases[] = {
      {"http://host/programlar/radyo/kolvarin.txt",
       "caption",
       {"http://host/programlar/radyo/kolvarin.txt"},
       true},
      {"", "http://host/page", {"http://host/page"}, true},
      {"  http://host/x  ", "c", {"  http://host/x  "}, true},
      {"", "   ", {}, false},
      {"   ", "", {}, false},
  };
  for (const Case& c : cases) {
    opened.clear();
    TKvURLLabel label;
    int clicks = 0;
    label.OnClick = [&](TKvLabel*) { ++clicks; };
    label.SetURL(c.url);
    label.SetCaption(c.caption);
    label.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(opened, c.opened) << c.url;
    EXPECT_EQ(label.Visited(), c.visited) << c.url;
    EXPECT_EQ(label.FontColor(), c.visited ? clPurple : clHighlight);
  }
  succeed = false;
  TKvURLLabel failing;
  failing.SetURL("http://host/page.htm");
  failing.Click();
  EXPECT_FALSE(failing.Visited());
  EXPECT_EQ(failing.FontColor(), clHighlight);
  failing.SetVisited(true);
  EXPECT_EQ(failing.FontColor(), clPurple);
  failing.SetVisited(false);
  EXPECT_EQ(failing.FontColor(), clHighlight);
}

TEST_F(Labels, AURLLabelSizesItselfToItsTextAndShowsTheHandOnItsForm) {
  TForm form;
  TRecordingHost* host = nullptr;
  {
    auto owned = std::make_unique<TRecordingHost>();
    host = owned.get();
    form.SetHost(std::move(owned));
  }
  form.HostResize({500, 50}, platform::BaseDpi);
  auto& label = form.AddControl<TKvURLLabel>();
  const int emptyWidth = label.Width(), emptyHeight = label.Height();
  label.SetCaption("http://www.kolvarin.example/programlar/radyo/kolvarin.txt");
  EXPECT_GT(label.Width(), emptyWidth * 10);
  EXPECT_EQ(label.Height(), emptyHeight);
  EXPECT_TRUE(label.Font().Underline);
  TFormInput input(form);
  input.Move(3, 3);
  EXPECT_EQ(host->cursor, TCursor::HandPoint);
  input.Move(label.Width() + 5, 3);
  EXPECT_EQ(host->cursor, TCursor::Arrow);
}

} // namespace

namespace {

TEST_F(Labels, AFocusedURLLabelOpensWithEnterOrOnceOnSpacesRelease) {
  std::vector<std::string> opened;
  platform::SetShellOpener([&](const std::string& target) {
    opened.push_back(target);
    return true;
  });
  using platform::TKey;
  struct Press {
    TKey key;
    unsigned shift;
    bool down; // false: the key's release
  };
  const struct {
    const char* name;
    std::vector<Press> presses;
    bool focusLostBetween;
    std::size_t opens;
  } cases[] = {
      {"Enter", {{TKey::Enter, 0, true}, {TKey::Enter, 0, false}}, false, 1},
      {"Space held (repeating), then released",
       {{TKey::Space, 0, true},
        {TKey::Space, 0, true},
        {TKey::Space, 0, true},
        {TKey::Space, 0, false}},
       false,
       1},
      {"Space released after the focus went",
       {{TKey::Space, 0, true}, {TKey::Space, 0, false}},
       true,
       0},
      {"Shift+Enter", {{TKey::Enter, platform::ssShift, true}}, false, 0},
      {"Alt+Space (the system menu's)",
       {{TKey::Space, platform::ssAlt, true}, {TKey::Space, platform::ssAlt, false}},
       false,
       0},
      {"a letter", {{TKey('A'), 0, true}, {TKey('A'), 0, false}}, false, 0},
  };
  for (const auto& c : cases) {
    opened.clear();
    TForm form;
    form.SetHost(std::make_unique<TRecordingHost>());
    form.HostResize({500, 80}, 1);
    form.HostActivate(true);
    auto& label = form.AddControl<TKvURLLabel>();
    label.SetURL("http://host/page");
    label.SetCaption("http://host/page");
    auto& other = form.AddControl<TKvLabel>();
    other.SetAcceptsFocus(true);
    ASSERT_TRUE(label.SetFocus()) << "the link takes the focus";
    for (std::size_t i = 0; i < c.presses.size(); ++i) {
      const Press& press = c.presses[i];
      if (c.focusLostBetween && !press.down)
        other.SetFocus();
      if (press.down)
        form.HostKeyDown(press.key, press.shift, press.key == TKey::Space ? " " : "");
      else
        form.HostKeyUp(press.key, press.shift);
    }
    EXPECT_EQ(opened.size(), c.opens) << c.name;
  }
}

TEST_F(Labels, AFocusedURLLabelShowsADottedFrameOnlyWithTheKeyboardCues) {
  TForm form;
  form.SetHost(std::make_unique<TRecordingHost>());
  form.SetColor(ToPixel(clBtnFace));
  form.HostResize({300, 40}, 1);
  form.HostActivate(true);
  auto& label = form.AddControl<TKvURLLabel>();
  label.SetTransparent(true);
  label.SetCaption("http://host/page");
  label.SetBounds(10, 10, label.Width(), label.Height());
  const platform::TRect r = label.VisibleFormRect();
  // The dots along the top edge, where the text leaves the background.
  const auto dots = [&] {
    const platform::TBitmap& picture = form.HostPaint();
    int count = 0;
    for (int x = r.Left + 1; x < r.Right; x += 2)
      count += picture.Pixel(x, r.Top) == 0xFF000000u;
    return count;
  };
  const int plain = dots();
  label.SetFocus();
  EXPECT_EQ(dots(), plain) << "no cue before the keyboard is used";
  form.SetCuesShown(true);
  EXPECT_EQ(dots(), r.Width() / 2) << "every second pixel of the top edge";
  form.SetCuesShown(false);
  EXPECT_EQ(dots(), plain);
}

} // namespace
