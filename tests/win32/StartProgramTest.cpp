// Starting the new player on Windows: with the error mode that lets a crash end it, and through
// the shell when it needs elevation.
#include "platform/StartProgram.h"

#include "Win32Process.h"
#include "platform/win32/Spawn.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using namespace wintest;
namespace fs = std::filesystem;

// A copy of the recording stand-in named "Kolvarin.exe" in `folder`, told by `tag` what to do.
fs::path InstallPlayer(const fs::path& folder, const std::string& tag) {
  const fs::path player = folder / "Kolvarin.exe";
  fs::copy_file(WinPath(KOLVARIN_SUPPORT_DIR "/kv-recording-player-win.exe"), player);
  std::ofstream(player, std::ios::binary | std::ios::app) << "\n# " << tag << "\n";
  return player;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Works in `folder` as the updater works in the player's folder, until it goes.
class WorkingFolder {
public:
  explicit WorkingFolder(const fs::path& folder) : m_previous(fs::current_path()) {
    fs::current_path(folder);
  }
  ~WorkingFolder() { fs::current_path(m_previous); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
  fs::path m_previous;
};

// Whether this runs under Wine, which gives a child the default error mode whatever its parent's.
bool UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

constexpr UINT NoCrashDialogs = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// The player is created with the error mode that keeps Windows Error Reporting and the
// missing-DLL box from holding a crashed player alive, and the updater's own is left as it was.
TEST(WinStartProgram, ThePlayerIsCreatedWithTheErrorModeThatLetsACrashEndIt) {
  // GoogleTest turns the crash dialogs off for its own process; the updater runs with the
  // system's default.
  const UINT testMode = SetErrorMode(0);
  UINT atCreation = 0;
  platform::win32::WithChildErrorMode([&]() -> void* {
    atCreation = GetErrorMode();
    return nullptr;
  });
  const UINT after = GetErrorMode();
  SetErrorMode(testMode);
  EXPECT_EQ(atCreation & NoCrashDialogs, NoCrashDialogs) << atCreation;
  EXPECT_EQ(after, 0u);
}

// On Windows the started player itself reports the mode. Wine does not pass a parent's error
// mode on to its children (nor has it Windows Error Reporting), so there only the mode at the
// creation is seen (above).
TEST(WinStartProgram, ThePlayerRunsWithThatErrorMode) {
  if (UnderWine())
    GTEST_SKIP() << "Wine gives every process the default error mode";
  TempFolder folder;
  InstallPlayer(folder.Path(), "Kolvarin 1.0.0.1 error-mode exit 0");
  const UINT testMode = SetErrorMode(0);
  {
    WorkingFolder working(folder.Path());
    auto player = platform::StartWatchedProgram("Kolvarin.exe");
    EXPECT_TRUE(WaitUntil([&] { return player->State() != platform::ProgramState::Running; }, 20s));
  }
  SetErrorMode(testMode);
  const UINT child = static_cast<UINT>(std::stoul("0" + ReadAll(folder.Path() / "error-mode.txt")));
  EXPECT_EQ(child & NoCrashDialogs, NoCrashDialogs) << child;
}

// Wine never answers ERROR_ELEVATION_REQUIRED, so CreateProcessW's refusal is played here; the
// shell's start that follows is the real one.
TEST(WinStartProgram, OnlyAProgramThatNeedsElevationIsStartedThroughTheShell) {
  TempFolder folder;
  const fs::path player = InstallPlayer(folder.Path(), "Kolvarin 1.0.0.1 exit 4");
  WorkingFolder working(folder.Path());
  struct Case {
    const char* what;
    unsigned long createError; // 0: CreateProcessW starts it
    bool throughShell;
  };
  const Case cases[] = {
      {"needs elevation", platform::win32::ElevationRequired, true},
      {"missing", ERROR_FILE_NOT_FOUND, false},
      {"not a program", ERROR_BAD_EXE_FORMAT, false},
      {"refused", ERROR_ACCESS_DENIED, false},
      {"started", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> created;
    std::vector<std::string> opened;
    const auto create = [&](const std::string& program, unsigned long& error) -> void* {
      created.push_back(program);
      if (c.createError == 0)
        return platform::win32::CreateProgramProcess(program, error);
      error = c.createError;
      return nullptr;
    };
    const auto shellOpen = [&](const std::string& program, unsigned long& error) -> void* {
      opened.push_back(program);
      return platform::win32::ShellOpenProcess(program, error);
    };
    HANDLE process = platform::win32::StartProcessOrElevate(Utf8(player), create, shellOpen);
    EXPECT_EQ(created, std::vector<std::string>{Utf8(player)});
    EXPECT_EQ(opened,
              c.throughShell ? std::vector<std::string>{Utf8(player)} : std::vector<std::string>{});
    EXPECT_EQ(process != nullptr, c.createError == 0 || c.throughShell);
    if (!process)
      continue;
    // The handle watched is the started player's: it ends with the code its tag asks for.
    ASSERT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 4u);
    CloseHandle(process);
  }
  // Each start that happened ran the player in the working folder.
  const std::string folderText = Utf8(folder.Path());
  EXPECT_EQ(ReadAll(folder.Path() / "started.txt"),
            Utf8(player) + "\t\t" + folderText + "\tKolvarin 1.0.0.1 exit 4\n" + Utf8(player) +
                "\t\t" + folderText + "\tKolvarin 1.0.0.1 exit 4\n");
}

} // namespace
