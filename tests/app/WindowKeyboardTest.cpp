// The window driven by the keyboard alone, in its real window on both systems, through a
// download and its cancellation: the focus goes where Tab and Shift+Tab send it, its cue shows
// in the picture once a key is pressed, and each key does what the mouse would.
#include "ScriptedServer.h"
#include "UpdateFlowFixture.h"
#include "WindowDriver.h"
#include "app/PlayerUpdate.h"
#include "app/TFRMUPDATE.h"
#include "controls/TKvButton.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/Shell.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testsupport;
using controls::TControl;
using platform::TKey;
namespace fs = std::filesystem;

class KeyboardForm : public app::TFRMUPDATE {
public:
  KeyboardForm()
      : TFRMUPDATE(*platform::TApplication::Instance(), false,
                   app::PublisherAt("kolvarin-test.example")) {}
};

// A publisher whose player comes slowly: the download is still running when the keys come, and
// long after a test would wait for them (the server stops its pause when it goes).
std::unique_ptr<ScriptedServer> SlowPublisher() {
  return std::make_unique<ScriptedServer>(
      std::vector<Script>{
          {ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
          {ReadUntil("\r\n\r\n"),
           Send("HTTP/1.0 200 OK\r\nContent-Length: 900000\r\n\r\n" + std::string(5000, 'x')),
           Pause(60000), Close()}},
      80, "127.0.0.2");
}

class WindowKeyboard : public UpdateFolderTest {
protected:
  void SetUp() override {
    UpdateFolderTest::SetUp();
    if (IsSkipped())
      return;
    platform::SetShellOpener([this](const std::string& target) {
      m_opened.push_back(target);
      return true;
    });
  }
  void TearDown() override {
    platform::SetShellOpener({});
    UpdateFolderTest::TearDown();
  }

  // The window up with its keyboard focus and a download running.
  std::unique_ptr<KeyboardForm> StartDownload() {
    auto form = std::make_unique<KeyboardForm>();
    form->Show();
    EXPECT_TRUE(WaitWindowActive(*form));
    EXPECT_TRUE(WaitUntil([&] { return form->KvProgressBar1->TotalParts() > 0; }, 10000));
    EXPECT_TRUE(fs::exists(app::PartialPlayerName));
    return form;
  }

  std::vector<std::string> m_opened;
};

TControl* Named(KeyboardForm& form, const std::string& name) {
  if (name == "KvButton5")
    return form.KvButton5;
  if (name == "KvButton6")
    return form.KvButton6;
  if (name == "KvButton1")
    return form.KvButton1;
  if (name == "KvURLLabel1")
    return form.KvURLLabel1;
  return nullptr;
}

// Where a control draws its focus frame, in the window.
platform::TRect CueRect(TControl& control) {
  const platform::TRect bounds = control.VisibleFormRect();
  if (dynamic_cast<controls::TKvButton*>(&control))
    return bounds.Inflated(-3, -3);
  return bounds;
}

controls::TColor ColorOf(std::uint32_t pixel) {
  return controls::RGB(static_cast<int>(pixel >> 16), static_cast<int>(pixel >> 8),
                       static_cast<int>(pixel));
}

// Whether the picture shows a dotted focus frame on `rect`: one colour on every second pixel of
// its sides, standing out (3:1) from most of the pixels between the dots along its top and left
// sides, which show what is behind the frame.
bool FocusCueShown(const platform::TBitmap& picture, const platform::TRect& rect) {
  const std::uint32_t dot = picture.Pixel(rect.Left + 1, rect.Top);
  for (int x = rect.Left + 1; x < rect.Right; x += 2)
    if (picture.Pixel(x, rect.Top) != dot || picture.Pixel(x, rect.Bottom - 1) != dot)
      return false;
  for (int y = rect.Top + 1; y < rect.Bottom; y += 2)
    if (picture.Pixel(rect.Left, y) != dot || picture.Pixel(rect.Right - 1, y) != dot)
      return false;
  int between = 0, standingOut = 0;
  for (int x = rect.Left + 2; x < rect.Right - 1; x += 2, ++between)
    standingOut += controls::ContrastRatio(ColorOf(dot), ColorOf(picture.Pixel(x, rect.Top))) >= 3;
  for (int y = rect.Top + 2; y < rect.Bottom - 1; y += 2, ++between)
    standingOut += controls::ContrastRatio(ColorOf(dot), ColorOf(picture.Pixel(rect.Left, y))) >= 3;
  return standingOut * 2 > between;
}

TEST_F(WindowKeyboard, TabShiftTabEnterSpaceAndAltMoveTheFocusAndOpenTheLinkDuringADownload) {
  auto server = SlowPublisher();
  auto form = StartDownload();
  const std::string url = "http://kolvarin-test.example/programlar/radyo/kolvarin.txt";
  // During the download Güncelle and Manuel Güncelle are disabled: Tab goes between Vazgeç and
  // the page's link.
  const struct {
    const char* keys;
    TKey key;
    unsigned shift;
    const char* focused;
    std::size_t opened;
  } steps[] = {
      {"(none yet)", TKey::None, 0, "KvButton1", 0},
      {"Tab", TKey::Tab, 0, "KvURLLabel1", 0},
      {"Tab", TKey::Tab, 0, "KvButton1", 0},
      {"Shift+Tab", TKey::Tab, platform::ssShift, "KvURLLabel1", 0},
      {"Enter on the link", TKey::Enter, 0, "KvURLLabel1", 1},
      {"Space on the link", TKey::Space, 0, "KvURLLabel1", 2},
      {"Alt+G (Güncelle, disabled)", TKey('G'), platform::ssAlt, "KvURLLabel1", 2},
      {"Shift+Tab", TKey::Tab, platform::ssShift, "KvButton1", 2},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.keys);
    if (step.key != TKey::None)
      PressKey(*form, step.key, step.shift);
    TControl* focused = Named(*form, step.focused);
    EXPECT_EQ(form->FocusedControl(), focused);
    EXPECT_EQ(m_opened.size(), step.opened);
    if (!m_opened.empty()) {
      EXPECT_EQ(m_opened.back(), url);
    }
    EXPECT_TRUE(form->Shown());
    // The cue shows once the keyboard is used, and only on the focused control.
    const platform::TBitmap picture = WindowPicture(*form);
    const bool keyboardUsed = step.key != TKey::None;
    EXPECT_EQ(FocusCueShown(picture, CueRect(*focused)), keyboardUsed);
    for (const char* other : {"KvButton1", "KvURLLabel1"}) {
      if (Named(*form, other) != focused) {
        EXPECT_FALSE(FocusCueShown(picture, CueRect(*Named(*form, other)))) << other;
      }
    }
  }
  EXPECT_TRUE(form->KvURLLabel1->Visited());
}

TEST_F(WindowKeyboard, EachWayToCancelADownloadClosesTheWindowAndKeepsThePlayer) {
  const struct {
    const char* way;
    std::function<void(KeyboardForm&)> act;
  } ways[] = {
      {"a click on Vazgeç (the mouse, for comparison)",
       [](KeyboardForm& form) {
         const platform::TRect button = form.KvButton1->VisibleFormRect();
         ClickAt(form, {button.Left + 10, button.Top + 10});
       }},
      {"Escape", [](KeyboardForm& form) { PressKey(form, TKey::Escape); }},
      {"Alt+V", [](KeyboardForm& form) { PressKey(form, TKey('V'), platform::ssAlt); }},
      {"Space on Vazgeç", [](KeyboardForm& form) { PressKey(form, TKey::Space); }},
      {"Enter on Vazgeç", [](KeyboardForm& form) { PressKey(form, TKey::Enter); }},
      {"Escape with the link focused",
       [](KeyboardForm& form) {
         PressKey(form, TKey::Tab);
         PressKey(form, TKey::Escape);
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    auto server = SlowPublisher();
    auto form = StartDownload();
    ASSERT_EQ(form->FocusedControl(), form->KvButton1);
    way.act(*form);
    EXPECT_TRUE(WaitUntil([&] { return !form->Shown() && !form->Host()->Visible(); }, 5000));
    EXPECT_TRUE(platform::TApplication::Instance()->Terminated());
    TakeQuitRequest();
    EXPECT_TRUE(m_opened.empty());
    // On Windows the partial file goes once the worker, still reading when the window went,
    // lets go of it: when the connection ends.
    form.reset();
    server.reset();
    EXPECT_TRUE(WaitUntil([] { return !fs::exists(app::PartialPlayerName); }, 10000));
    EXPECT_EQ(FileText("Kolvarin.exe"), "old player");
    EXPECT_FALSE(fs::exists("Kolvarin.bak"));
  }
}

} // namespace
