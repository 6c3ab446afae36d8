// The recording stand-in for an installed "Kolvarin.exe" that the end-to-end tests give the
// updater: each start leaves one line (program, arguments, working folder, tag), and it then
// ends at once or shows a "Kolvarin" window that a close request ends.
#include "Win32Process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace wintest;
namespace fs = std::filesystem;

// A copy of the stand-in named "Kolvarin.exe" in `folder`, with `tag` appended as its last line.
fs::path InstallPlayer(const fs::path& folder, const std::string& tag = {}) {
  const fs::path player = folder / "Kolvarin.exe";
  fs::copy_file(WinPath(KOLVARIN_SUPPORT_DIR "/kv-recording-player-win.exe"), player);
  if (!tag.empty())
    std::ofstream(player, std::ios::binary | std::ios::app) << "\n# " << tag << "\n";
  return player;
}

// Starts `program` in the working folder `folder` and waits for its end: the exit code, or
// nothing when it still runs after `limit` (then it is ended).
std::optional<DWORD> RunIn(const fs::path& program, const std::wstring& args,
                           const fs::path& folder, std::chrono::milliseconds limit = 20s) {
  std::wstring commandLine = Quoted(program.wstring()) + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process))
    return std::nullopt;
  CloseHandle(process.hThread);
  std::optional<DWORD> code;
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    code = exitCode;
  } else {
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, 10000);
  }
  CloseHandle(process.hProcess);
  return code;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Sets an environment variable for this test and the programs it starts.
class ScopedVariable {
public:
  ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableW(m_name, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
  const wchar_t* m_name;
};

TEST(WinRecordingPlayer, EachStartLeavesItsProgramArgumentsFolderAndTag) {
  TempFolder installed;
  TempFolder working;
  TempFolder logs;
  const fs::path log = logs.Path() / "starts.txt";
  ScopedVariable logVariable(L"KOLVARIN_PLAYER_LOG", log.wstring());
  const fs::path player = InstallPlayer(installed.Path(), "Kolvarin 1.0.0.1 exit 5");

  // The updater's start: no arguments, so the tag says what to do.
  EXPECT_EQ(RunIn(player, L"", working.Path()), 5u);
  // Arguments come first.
  EXPECT_EQ(RunIn(player, L"exit 3", working.Path()), 3u);
  EXPECT_EQ(RunIn(player, L"\"two words\" exit", installed.Path()), 0u);

  const std::string p = Utf8(player);
  EXPECT_EQ(ReadAll(log), p + "\t\t" + Utf8(working.Path()) + "\tKolvarin 1.0.0.1 exit 5\n" + p +
                              "\texit 3\t" + Utf8(working.Path()) + "\tKolvarin 1.0.0.1 exit 5\n" +
                              p + "\ttwo words exit\t" + Utf8(installed.Path()) +
                              "\tKolvarin 1.0.0.1 exit 5\n");
  EXPECT_FALSE(fs::exists(installed.Path() / "started.txt"));
}

TEST(WinRecordingPlayer, WithoutALogNamedItRecordsBesideItself) {
  TempFolder installed;
  TempFolder working;
  const fs::path player = InstallPlayer(installed.Path());
  EXPECT_EQ(RunIn(player, L"exit 0", working.Path()), 0u);
  EXPECT_EQ(ReadAll(installed.Path() / "started.txt"),
            Utf8(player) + "\texit 0\t" + Utf8(working.Path()) + "\t\n");
  EXPECT_FALSE(fs::exists(working.Path() / "started.txt"));
}

TEST(WinRecordingPlayer, WithoutAnExitItShowsAKolvarinWindowUntilClosed) {
  ASSERT_TRUE(WaitUntil([] { return FindWindowW(L"Kolvarin", nullptr) == nullptr; }, 10s));
  TempFolder installed;
  const fs::path player = InstallPlayer(installed.Path(), "Kolvarin 1.0.0.0");
  Started running(player.wstring(), {});
  ASSERT_TRUE(running.Ok());
  HWND window = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (window = FindWindowW(L"Kolvarin", nullptr)) != nullptr; }, 20s))
      << "no window needs a display (DISPLAY)";
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  EXPECT_EQ(owner, running.Id());
  EXPECT_TRUE(fs::exists(installed.Path() / "started.txt"));
  EXPECT_TRUE(running.Running());
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(running.WaitEnded(10s));
}

} // namespace
