// Closing the player on Windows: its window found by class, WM_CLOSE with a time limit, its
// process found by the window and by the tool-help snapshot, and ended.
#include "Win32Process.h"
#include "platform/Processes.h"
#include "platform/DesktopWindows.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace std::chrono_literals;
using namespace wintest;

std::wstring FakePlayer() {
  return WinPath(KOLVARIN_SUPPORT_DIR "/kv-fake-player-win.exe");
}

platform::WindowHandle WaitForPlayerWindow() {
  platform::WindowHandle window = platform::NoWindow;
  WaitUntil(
      [&] { return (window = platform::FindWindowByClass("kolvarin")) != platform::NoWindow; },
      20s);
  return window;
}

struct CloseCase {
  const wchar_t* mode;
  bool closes;
};

TEST(WinPlayerWindow, TheCloseRequestEndsOnlyAPlayerThatTakesIt) {
  for (const CloseCase c :
       {CloseCase{L"closes", true}, CloseCase{L"ignores", false}, CloseCase{L"hangs", false}}) {
    SCOPED_TRACE(testing::Message() << std::string(c.mode, c.mode + std::wcslen(c.mode)));
    // The windows of players ended before go a moment after their processes.
    ASSERT_TRUE(WaitUntil(
        [] { return platform::FindWindowByClass("Kolvarin") == platform::NoWindow; }, 10s));
    Started player(FakePlayer(), {c.mode});
    ASSERT_TRUE(player.Ok());
    const platform::WindowHandle window = WaitForPlayerWindow();
    ASSERT_NE(window, platform::NoWindow) << "no window needs a display (DISPLAY)";
    EXPECT_TRUE(platform::IsWindow(window));
    EXPECT_EQ(platform::WindowProcessId(window), static_cast<pid_t>(player.Id()));

    platform::RequestWindowClose(window, 3000ms);
    if (c.closes) {
      EXPECT_TRUE(player.WaitEnded(10s));
      EXPECT_TRUE(WaitUntil([&] { return !platform::IsWindow(window); }, 10s));
      continue;
    }
    EXPECT_TRUE(player.Running());
    EXPECT_TRUE(platform::IsWindow(window));
    // What the updater does next: the window's process is ended.
    EXPECT_TRUE(platform::TerminateProcessById(platform::WindowProcessId(window)));
    EXPECT_TRUE(player.WaitEnded(10s));
    EXPECT_TRUE(WaitUntil([&] { return !platform::IsWindow(window); }, 10s));
  }
}

TEST(WinPlayerWindow, NoWindowIsNoWindow) {
  EXPECT_EQ(platform::FindWindowByClass("NoSuchClassAnywhere"), platform::NoWindow);
  EXPECT_FALSE(platform::IsWindow(platform::NoWindow));
  EXPECT_EQ(platform::WindowProcessId(platform::NoWindow), 0);
}

TEST(WinToolHelp, TheSnapshotNamesEveryCopyOfThePlayerWhateverItsFolderAndCase) {
  TempFolder folder;
  std::vector<std::unique_ptr<Started>> players;
  std::set<pid_t> started;
  const wchar_t* names[] = {L"one\\KOLVARIN.EXE", L"two\\kolvarin.exe", L"three\\Kolvarin.exe"};
  for (const wchar_t* name : names) {
    const auto copy = folder.Path() / name;
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(FakePlayer(), copy);
    players.push_back(
        std::make_unique<Started>(copy.wstring(), std::vector<std::wstring>{L"ignores"}));
    ASSERT_TRUE(players.back()->Ok());
    started.insert(static_cast<pid_t>(players.back()->Id()));
  }
  std::set<pid_t> found;
  ASSERT_TRUE(WaitUntil(
      [&] {
        found.clear();
        for (const platform::ProcessEntry& entry : platform::SnapshotProcesses()) {
          std::string name = entry.szExeFile;
          std::transform(name.begin(), name.end(), name.begin(),
                         [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
          if (name == "kolvarin.exe")
            found.insert(entry.th32ProcessID);
        }
        return found == started;
      },
      10s));
  for (pid_t pid : started) {
    EXPECT_EQ(platform::ProcessExeFile(pid).size(), std::string("kolvarin.exe").size());
    EXPECT_TRUE(platform::TerminateProcessById(pid));
  }
  for (const auto& player : players)
    EXPECT_TRUE(player->WaitEnded(10s));
  EXPECT_TRUE(
      WaitUntil([] { return platform::FindWindowByClass("Kolvarin") == platform::NoWindow; }, 10s));
}

// Only a shown window of the class is the player's: a program may keep hidden ones.
TEST(WinDesktopWindows, AHiddenWindowOfTheClassIsPassedOverUntilItIsShown) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"KvHidden";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND window = CreateWindowExW(0, L"KvHidden", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  const auto handle = static_cast<platform::WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
  EXPECT_EQ(platform::FindWindowByClass("KvHidden"), handle);
  EXPECT_EQ(platform::FindShownWindowByClass("KvHidden"), platform::NoWindow);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  EXPECT_EQ(platform::FindShownWindowByClass("kvhidden"), handle);
  EXPECT_EQ(platform::FindShownWindowByClass("KvHidde"), platform::NoWindow);
  DestroyWindow(window);
  UnregisterClassW(L"KvHidden", windowClass.hInstance);
}

TEST(WinToolHelp, NeverEndsItsOwnProcessOrANonexistentOne) {
  EXPECT_FALSE(platform::TerminateProcessById(static_cast<pid_t>(GetCurrentProcessId())));
  EXPECT_FALSE(platform::TerminateProcessById(0));
  EXPECT_FALSE(platform::TerminateProcessById(-1));
  bool sawSelf = false;
  for (const platform::ProcessEntry& entry : platform::SnapshotProcesses())
    sawSelf = sawSelf || entry.th32ProcessID == static_cast<pid_t>(GetCurrentProcessId());
  EXPECT_TRUE(sawSelf);
}

} // namespace
