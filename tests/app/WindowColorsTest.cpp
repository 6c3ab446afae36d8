// The window in the user's colours, on both systems: a high-contrast scheme keeps every caption
// readable over what is behind it, and colours changed while the window is up are in its next
// picture.
#include "RecordingHost.h"
#include "WindowDriver.h"
#include "app/TFRMUPDATE.h"
#include "app/UpdateTexts.h"
#include "controls/Canvas.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace controls;
using namespace testsupport;

// The window without its update attempt: each case sets what a state shows.
class StillForm : public app::TFRMUPDATE {
public:
  explicit StillForm(bool onScreen)
      : TFRMUPDATE(*platform::TApplication::Instance(), false,
                   app::PublisherAt("kolvarin-test.example")) {
    if (!onScreen)
      SetHost(std::make_unique<TRecordingHost>());
  }
  void KvButton5Click() override {}
};

class WindowColors : public testing::Test {
protected:
  void SetUp() override {
    // A Windows test program has no application object of its own.
    if (!platform::TApplication::Instance())
      m_application.emplace(m_argc, m_argv);
  }
  int m_argc = 1;
  char m_name[5] = "test";
  char* m_argv[2] = {m_name, nullptr};
  std::optional<platform::TApplication> m_application;
};

// The window as the update attempt leaves it: the player current, a download at half way with
// the page's link visited, or a check that failed.
void ShowState(StillForm& form, const std::string& state) {
  form.KvButton5->SetEnabled(false);
  if (state == "failed") {
    form.Label9->SetCaption(app::texts::Checking);
    return;
  }
  const std::string url = app::VersionURL(app::PublisherAt("kolvarin-test.example"));
  form.KvURLLabel1->SetCaption(url);
  form.KvURLLabel1->SetURL(url);
  const bool current = state == "current";
  form.Label9->SetCaption(current ? app::texts::Current : app::texts::Downloading);
  form.Label13->SetCaption(std::string(app::texts::VersionPrefix) + "1.0.0.0");
  form.Label14->SetCaption(std::string(app::texts::VersionPrefix) +
                           (current ? "1.0.0.0" : "1.0.0.1"));
  if (!current) {
    form.HTTPFetchFileProgress(3240258, 1620129);
    form.KvURLLabel1->SetVisited(true);
  }
}

platform::TBitmap Picture(StillForm& form) {
  return form.HostPaint();
}

TColor ColorOf(std::uint32_t pixel) {
  return RGB(static_cast<int>(pixel >> 16), static_cast<int>(pixel >> 8), static_cast<int>(pixel));
}

// What a caption puts on the picture: the pixels that differ from the picture without it, the
// colour most of them have (its ink), and the least contrast of that ink with the pixels it
// covers.
struct Ink {
  std::size_t pixels = 0;
  double leastContrast = 0;
};

Ink InkOf(const platform::TBitmap& with, const platform::TBitmap& without) {
  std::map<std::uint32_t, std::size_t> counts;
  for (int y = 0; y < with.Height(); ++y)
    for (int x = 0; x < with.Width(); ++x)
      if (with.Pixel(x, y) != without.Pixel(x, y))
        ++counts[with.Pixel(x, y)];
  if (counts.empty())
    return {};
  const auto ink = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                     return a.second < b.second;
                   })->first;
  Ink result{0, 21};
  for (int y = 0; y < with.Height(); ++y)
    for (int x = 0; x < with.Width(); ++x)
      if (with.Pixel(x, y) != without.Pixel(x, y)) {
        ++result.pixels;
        if (with.Pixel(x, y) == ink)
          result.leastContrast = std::min(
              result.leastContrast, ContrastRatio(ColorOf(ink), ColorOf(without.Pixel(x, y))));
      }
  return result;
}

// One caption of the window and how it is taken away, leaving what is behind it.
struct Caption {
  const char* name;
  std::function<bool(StillForm&)> hasText;
  std::function<void(StillForm&, bool shown)> show;
};

Caption LabelCaption(const char* name, TKvLabel* StillForm::*label) {
  return {name, [label](StillForm& form) { return !(form.*label)->Caption().empty(); },
          [label](StillForm& form, bool shown) { (form.*label)->SetVisible(shown); }};
}

Caption ButtonCaption(const char* name, TKvButton* StillForm::*button) {
  auto caption = std::make_shared<std::string>();
  return {name, [](StillForm&) { return true; },
          [button, caption](StillForm& form, bool shown) {
            TKvButton& each = *(form.*button);
            if (!shown)
              *caption = each.Caption();
            // The face stays as it is; only the text goes.
            each.SetCaption(shown ? *caption : std::string());
          }};
}

Caption BannerCaption(const char* name, TKvGroupBox* StillForm::*box) {
  auto caption = std::make_shared<std::string>();
  return {name, [](StillForm&) { return true; },
          [box, caption](StillForm& form, bool shown) {
            TKvGroupBox& each = *(form.*box);
            if (!shown)
              *caption = each.Caption();
            // A blank of the same font keeps the banner and draws no ink.
            each.SetCaption(shown ? *caption : std::string(" "));
          }};
}

TEST_F(WindowColors, UnderHighContrastBlackEveryCaptionIsReadableInEachState) {
  // Set here, or by the user before this program started (Windows: the registry's colours).
  std::optional<TUserColorScheme> scheme;
  if (!std::getenv("KOLVARIN_SCHEME_FROM_SYSTEM"))
    scheme.emplace(HighContrastBlack);
  const Caption captions[] = {
      LabelCaption("Label9 (header)", &StillForm::Label9),
      BannerCaption("KvGroupBox1", &StillForm::KvGroupBox1),
      LabelCaption("Label2", &StillForm::Label2),
      {"KvURLLabel1", [](StillForm& form) { return !form.KvURLLabel1->Caption().empty(); },
       [](StillForm& form, bool shown) { form.KvURLLabel1->SetVisible(shown); }},
      LabelCaption("Label3", &StillForm::Label3),
      LabelCaption("Label4", &StillForm::Label4),
      LabelCaption("Label5", &StillForm::Label5),
      LabelCaption("Label6", &StillForm::Label6),
      LabelCaption("Label7", &StillForm::Label7),
      LabelCaption("Label8", &StillForm::Label8),
      BannerCaption("KvGroupBox2", &StillForm::KvGroupBox2),
      LabelCaption("Label10", &StillForm::Label10),
      LabelCaption("Label11", &StillForm::Label11),
      LabelCaption("Label13", &StillForm::Label13),
      LabelCaption("Label14", &StillForm::Label14),
      ButtonCaption("KvButton5 (disabled)", &StillForm::KvButton5),
      ButtonCaption("KvButton6 (disabled)", &StillForm::KvButton6),
      ButtonCaption("KvButton1", &StillForm::KvButton1),
  };
  for (const std::string state : {"current", "downloading", "failed"}) {
    StillForm form(false);
    ShowState(form, state);
    form.Show();
    const platform::TBitmap whole = Picture(form);
    // The scheme is the one the window is drawn in.
    ASSERT_EQ(whole.Pixel(300, 120), 0xFF000000u) << state;
    for (const Caption& caption : captions) {
      SCOPED_TRACE(state + ", " + caption.name);
      if (!caption.hasText(form))
        continue;
      caption.show(form, false);
      const platform::TBitmap without = Picture(form);
      caption.show(form, true);
      const Ink ink = InkOf(Picture(form), without);
      EXPECT_GT(ink.pixels, 0u) << "the text is gone";
      EXPECT_GE(ink.leastContrast, TextContrast);
    }
  }
}

// The picture of the window once `done` holds for it, or the last one after 5 s.
platform::TBitmap PictureWhen(StillForm& form,
                              const std::function<bool(const platform::TBitmap&)>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  platform::TBitmap picture = WindowPicture(form);
  while (!done(picture) && std::chrono::steady_clock::now() < end) {
    platform::TApplication::Instance()->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    picture = WindowPicture(form);
  }
  return picture;
}

// How many pixels of `rect` (in the window) have the colour.
int Count(const platform::TBitmap& picture, const platform::TRect& rect, std::uint32_t pixel) {
  int count = 0;
  for (int y = rect.Top; y < rect.Bottom; ++y)
    for (int x = rect.Left; x < rect.Right; ++x)
      count += picture.Pixel(x, y) == pixel;
  return count;
}

TEST_F(WindowColors, ColoursChangedWhileTheWindowIsUpAreInItsNextPicture) {
  StillForm form(true);
  form.Show();
  ASSERT_TRUE(WaitWindowActive(form));
  // A point of the first group box's body, where the window's own colour shows.
  const platform::TPoint background{300, 120};
  const platform::TRect label2 = form.Label2->VisibleFormRect();
  const std::uint32_t face = ToPixel(clBtnFace);
  const std::uint32_t text = ToPixel(clWindowText);
  ASSERT_NE(face, 0xFF000000u) << "the user's scheme is already black";
  const platform::TBitmap before =
      PictureWhen(form, [&](const auto& p) { return p.Pixel(background.X, background.Y) == face; });
  ASSERT_EQ(before.Pixel(background.X, background.Y), face);
  ASSERT_GT(Count(before, label2, text), 0);
  {
    const TUserColorScheme scheme(HighContrastBlack);
    // Nothing but the system's notice repaints the window.
    const platform::TBitmap after = PictureWhen(form, [&](const auto& p) {
      return p.Pixel(background.X, background.Y) == 0xFF000000u &&
             Count(p, label2, 0xFFFFFFFFu) > 0;
    });
    EXPECT_EQ(after.Pixel(background.X, background.Y), 0xFF000000u);
    EXPECT_GT(Count(after, label2, 0xFFFFFFFFu), 0) << "the label's text in the new window text";
    EXPECT_EQ(Count(after, {0, 0, after.Width(), after.Height()}, face), 0)
        << "no pixel keeps the old face";
  }
  const platform::TBitmap restored =
      PictureWhen(form, [&](const auto& p) { return p.Pixel(background.X, background.Y) == face; });
  EXPECT_EQ(restored.Pixel(background.X, background.Y), face);
  EXPECT_GT(Count(restored, label2, text), 0);
  form.Hide();
}

} // namespace
