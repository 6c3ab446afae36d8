// The file operations of the update flow on Windows: UTF-8 names reach the system as UTF-16,
// a move never replaces while a replace does in one step, an exclusive create never takes an
// existing name, a running program's file stays in place until the program has ended, and a
// started program is watched until it ends. Paths past 260 characters, read-only files and files
// another program holds for a moment do not stop an update.
#include "platform/FileOperations.h"
#include "platform/Files.h"
#include "platform/StartProgram.h"

#include "Win32Process.h"
#include "platform/Processes.h"
#include "platform/win32/Unicode.h"
#include "platform/win32/Win32FileOperations.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace wintest;

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(WinFiles, TurkishNamesRoundTripThroughUtf16) {
  platform::FileOperations& files = platform::SystemFileOperations();
  TempFolder folder;
  const std::string name = Utf8(folder.Path()) + "\\Güncelleme ışığı ÇŞĞÜÖİ.exe";
  platform::TWriteFile file;
  file.Create(name);
  file.Write("abc", 3);
  file.Close();
  EXPECT_TRUE(files.Exists(name));
  const std::filesystem::path wide(
      std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
  EXPECT_TRUE(std::filesystem::exists(wide)) << "the name the system got is the one we meant";
  EXPECT_EQ(ReadAll(wide), "abc");
  EXPECT_TRUE(files.SyncFile(name));
  EXPECT_TRUE(files.Remove(name));
  EXPECT_FALSE(files.Exists(name));
}

TEST(WinFiles, AMoveNeverReplacesAReplaceDoesAndAnExclusiveCreateNeverTakesAName) {
  platform::FileOperations& files = platform::SystemFileOperations();
  TempFolder folder;
  const std::string a = Utf8(folder.Path() / "a.exe");
  const std::string b = Utf8(folder.Path() / "b.exe");
  for (const auto& [name, bytes] : {std::pair{a, "old"}, std::pair{b, "new"}}) {
    platform::TWriteFile file;
    file.Create(name);
    file.Write(bytes, 3);
    file.Close();
  }
  EXPECT_FALSE(files.Move(b, a));
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "old");
  platform::TWriteFile exclusive;
  EXPECT_THROW(exclusive.Create(a, true), platform::EFileError);
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "old");
  EXPECT_TRUE(files.Remove(a));
  EXPECT_TRUE(files.Move(b, a));
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "new");
  EXPECT_FALSE(files.Exists(b));
  EXPECT_EQ(files.SyncFolder(Utf8(folder.Path())), platform::FileResult::Done);

  // The swap's one step: the new file takes the name, the old one is gone with it.
  const std::string c = Utf8(folder.Path() / "c.exe");
  EXPECT_EQ(files.Link(a, c), platform::FileResult::Done);
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "c.exe")), "new");
  {
    platform::TWriteFile file;
    file.Create(b);
    file.Write("3rd", 3);
    file.Close();
  }
  EXPECT_TRUE(files.Replace(b, a));
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "3rd");
  EXPECT_FALSE(files.Exists(b));
  EXPECT_EQ(files.Exchange(a, c), platform::FileResult::Unsupported);
}

TEST(WinFiles, AFileBeingWrittenCanBeRemovedAndGoesWhenItsWriterLetsGo) {
  // What the window does when it is closed mid-download: the worker still holds the partial
  // file, and the file must not outlive the program.
  platform::FileOperations& files = platform::SystemFileOperations();
  TempFolder folder;
  const std::string name = Utf8(folder.Path() / "Kolvarin.exe.part");
  {
    platform::TWriteFile file;
    file.Create(name, true);
    file.Write("abc", 3);
    EXPECT_TRUE(files.Remove(name));
    file.Write("def", 3);
  }
  EXPECT_FALSE(files.Exists(name));
  // The name is free again for the next download.
  platform::TWriteFile again;
  EXPECT_NO_THROW(again.Create(name, true));
}

TEST(WinFiles, ARunningPlayerKeepsItsFileUntilItHasEnded) {
  // One attempt each, not the 5 s the system's operations wait for a file another program
  // holds: the player runs on for as long as the test lets it (and Wine, unlike Windows, may let
  // a later attempt replace a running program's file).
  platform::Win32FileOperations files(std::chrono::milliseconds(0));
  TempFolder folder;
  const auto player = folder.Path() / "Kolvarin.exe";
  std::filesystem::copy_file(WinPath(KOLVARIN_SUPPORT_DIR "/kv-fake-player-win.exe"), player);
  Started running(player.wstring(), {L"ignores"});
  ASSERT_TRUE(running.Ok());
  ASSERT_TRUE(WaitUntil([&] { return !platform::ProcessExeFile(running.Id()).empty(); }, 10s));
  EXPECT_FALSE(files.Remove(Utf8(player)));
  EXPECT_TRUE(files.Exists(Utf8(player)));
  // Nor can a new player take its name: the install fails and the running one stays.
  const std::string part = Utf8(folder.Path() / "Kolvarin.exe.part");
  {
    platform::TWriteFile file;
    file.Create(part);
    file.Write("new", 3);
    file.Close();
  }
  EXPECT_FALSE(files.Replace(part, Utf8(player)));
  EXPECT_NE(ReadAll(player), "new");
  EXPECT_TRUE(platform::TerminateProcessById(static_cast<pid_t>(running.Id())));
  ASSERT_TRUE(running.WaitEnded(10s));
  EXPECT_TRUE(WaitUntil([&] { return files.Remove(Utf8(player)); }, 10s));
}

TEST(WinFiles, AWatchedProgramReportsWhetherItRanAndHowItEnded) {
  TempFolder folder;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  std::filesystem::copy_file(WinPath(KOLVARIN_SUPPORT_DIR "/kv-fake-player-win.exe"),
                             folder.Path() / "Kolvarin.exe");
  {
    std::ofstream text(folder.Path() / "NotAProgram.exe");
    text << "not a program";
  }
  EXPECT_EQ(platform::StartWatchedProgram("Missing.exe")->State(),
            platform::ProgramState::NotStarted);
  EXPECT_EQ(platform::StartWatchedProgram("NotAProgram.exe")->State(),
            platform::ProgramState::NotStarted);
  const auto running = platform::StartWatchedProgram("Kolvarin.exe");
  EXPECT_EQ(running->State(), platform::ProgramState::Running);
  std::filesystem::current_path(previous);
  for (const platform::ProcessEntry& entry : platform::SnapshotProcesses()) {
    if (entry.szExeFile.find("Kolvarin.exe") == std::string::npos)
      continue;
    const HANDLE process =
        OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(entry.th32ProcessID));
    ASSERT_NE(process, nullptr);
    TerminateProcess(process, 7);
    CloseHandle(process);
  }
  ASSERT_TRUE(WaitUntil([&] { return running->State() != platform::ProgramState::Running; }, 10s));
  EXPECT_EQ(running->State(), platform::ProgramState::Failed);
}

TEST(WinFiles, TheProgramFolderIsWhereTheProgramIs) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(std::filesystem::path(path).parent_path(),
            std::filesystem::path(std::u8string(
                reinterpret_cast<const char8_t*>(platform::ExecutableFolder().c_str()))));
}

void WriteFile(const std::string& name, const std::string& bytes) {
  platform::TWriteFile file;
  file.Create(name);
  file.Write(bytes.data(), bytes.size());
  file.Sync();
  file.Close();
}

std::string Contents(const std::string& name) {
  return ReadAll(std::filesystem::path(platform::win32::LongPath(name)));
}

bool ReadOnly(const std::string& name) {
  const DWORD attributes = GetFileAttributesW(platform::win32::LongPath(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::wstring CurrentFolder() {
  std::wstring folder(32768, L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  if (!folder.empty() && folder.back() == L'\\')
    folder.pop_back();
  return folder;
}

TEST(WinFiles, LongPathsAreAbsoluteWithBackslashesAndTheRightPrefix) {
  const std::wstring here = CurrentFolder();
  ASSERT_GE(here.size(), 3u);
  const std::pair<const char*, std::wstring> cases[] = {
      {"C:\\Oyun\\Kolvarin.exe", L"\\\\?\\C:\\Oyun\\Kolvarin.exe"},
      {"C:/Oyun/eski/../Kolvarin.exe", L"\\\\?\\C:\\Oyun\\Kolvarin.exe"},
      {"\\\\sunucu\\pay\\Kolvarin.exe", L"\\\\?\\UNC\\sunucu\\pay\\Kolvarin.exe"},
      {"//sunucu/pay/Kolvarin.exe", L"\\\\?\\UNC\\sunucu\\pay\\Kolvarin.exe"},
      {"\\\\?\\C:\\Oyun\\Kolvarin.exe", L"\\\\?\\C:\\Oyun\\Kolvarin.exe"},
      {"Kolvarin.exe.part", L"\\\\?\\" + here + L"\\Kolvarin.exe.part"},
      {"./alt/Kolvarin.bak", L"\\\\?\\" + here + L"\\alt\\Kolvarin.bak"},
      {"Güncelleme.exe", L"\\\\?\\" + here + L"\\G\u00fcncelleme.exe"},
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(platform::win32::LongPath(path), expected) << path;
}

TEST(WinFiles, EveryOperationWorksInAFolderPastTheOldPathLimit) {
  TempFolder base;
  // A player folder of about 250 characters: the player's own name still fits in 260, the
  // download's and the failed player's do not.
  std::wstring deep = base.Path().wstring();
  while (deep.size() < 245) {
    deep += L"\\" + std::wstring(std::min<std::size_t>(30, 245 - deep.size()), L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr)) << GetLastError();
  }
  const std::string folder = platform::win32::Narrow(deep);
  ASSERT_GT(folder.size() + std::string("\\Kolvarin.exe.part").size(), std::size_t{MAX_PATH});

  platform::FileOperations& files = platform::SystemFileOperations();
  const std::string player = folder + "\\Kolvarin.exe";
  const std::string partial = folder + "\\Kolvarin.exe.part";
  const std::string backup = folder + "/Kolvarin.bak";
  const std::string failed = folder + "\\Kolvarin.failed";
  WriteFile(player, "old");
  WriteFile(partial, "new");
  EXPECT_TRUE(files.IsFile(partial));
  EXPECT_TRUE(files.SyncFile(partial));
  EXPECT_EQ(files.Mode(partial), 0666);
  EXPECT_TRUE(files.SetMode(partial, 0755));
  EXPECT_EQ(files.Link(player, backup), platform::FileResult::Done);
  EXPECT_TRUE(files.Replace(partial, player));
  EXPECT_EQ(files.SyncFolder(folder), platform::FileResult::Done);
  EXPECT_TRUE(files.Move(player, failed));
  EXPECT_EQ(Contents(failed), "new");
  EXPECT_EQ(Contents(backup), "old");
  EXPECT_FALSE(files.Exists(partial));
  EXPECT_TRUE(files.Remove(failed));
  EXPECT_FALSE(files.Exists(failed));

  // Relative names, from the deep folder as the working folder, as the updater uses them.
  const std::filesystem::path previous = std::filesystem::current_path();
  ASSERT_TRUE(SetCurrentDirectoryW(deep.c_str())) << GetLastError();
  WriteFile("Kolvarin.exe.part", "newer");
  const bool replaced = files.Replace("Kolvarin.exe.part", "Kolvarin.bak");
  SetCurrentDirectoryW(previous.wstring().c_str());
  EXPECT_TRUE(replaced);
  EXPECT_EQ(Contents(backup), "newer");
}

TEST(WinFiles, AReadOnlyFileOfOursIsRemovedAndReplacedAndNoneIsMadeReadOnly) {
  platform::FileOperations& files = platform::SystemFileOperations();
  TempFolder folder;
  const std::string player = Utf8(folder.Path() / "Kolvarin.exe");
  const std::string partial = Utf8(folder.Path() / "Kolvarin.exe.part");
  const std::string backup = Utf8(folder.Path() / "Kolvarin.bak");
  WriteFile(player, "old");
  WriteFile(backup, "older");
  WriteFile(partial, "new");
  for (const std::string& name : {player, backup})
    ASSERT_TRUE(
        SetFileAttributesW(platform::win32::LongPath(name).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(files.Mode(player), 0444);

  // The installed player's mode is never copied as the read-only flag.
  EXPECT_TRUE(files.SetMode(partial, files.Mode(player)));
  EXPECT_FALSE(ReadOnly(partial));
  EXPECT_TRUE(files.Remove(backup));
  EXPECT_FALSE(files.Exists(backup));
  EXPECT_TRUE(files.Replace(partial, player));
  EXPECT_EQ(ReadAll(folder.Path() / "Kolvarin.exe"), "new");
  EXPECT_FALSE(ReadOnly(player));
}

// Opens a file as a virus scanner does: reading, sharing neither its writing nor its removal.
HANDLE Hold(const std::string& name) {
  const HANDLE file = CreateFileW(platform::win32::LongPath(name).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  return file;
}

TEST(WinFiles, AFileHeldForAMomentIsWaitedForAndOneHeldLongerFailsLeavingAllAsItWas) {
  struct Case {
    const char* what;
    const char* held;
    std::function<bool(platform::FileOperations&, const std::string&, const std::string&)> run;
    const char* playerAfter;
  };
  using Ops = platform::FileOperations;
  const Case cases[] = {
      {"remove", "a.exe",
       [](Ops& f, const std::string& a, const std::string&) { return f.Remove(a); }, nullptr},
      {"replace, the new file held", "b.exe",
       [](Ops& f, const std::string& a, const std::string& b) { return f.Replace(b, a); }, "b"},
      {"replace, the old file held", "a.exe",
       [](Ops& f, const std::string& a, const std::string& b) { return f.Replace(b, a); }, "b"},
      {"move", "a.exe",
       [](Ops& f, const std::string& a, const std::string&) { return f.Move(a, a + ".moved"); },
       nullptr},
  };
  for (const Case& c : cases) {
    for (const bool briefly : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (briefly ? ", briefly" : ", for longer than the limit"));
      TempFolder folder;
      const std::string a = Utf8(folder.Path() / "a.exe");
      const std::string b = Utf8(folder.Path() / "b.exe");
      WriteFile(a, "a");
      WriteFile(b, "b");
      const HANDLE held = Hold(Utf8(folder.Path() / c.held));
      // The system's operations wait 5 s in all; a shorter limit keeps the longer hold short.
      platform::Win32FileOperations files(briefly ? platform::BusyFileLimit
                                                  : std::chrono::milliseconds(300));
      std::thread letGo;
      if (briefly)
        letGo = std::thread([held] {
          Sleep(700);
          CloseHandle(held);
        });
      const bool done = c.run(files, a, b);
      if (briefly) {
        letGo.join();
        EXPECT_TRUE(done);
        if (c.playerAfter) {
          EXPECT_EQ(ReadAll(folder.Path() / "a.exe"), c.playerAfter);
        } else {
          EXPECT_FALSE(files.Exists(a));
        }
      } else {
        EXPECT_FALSE(done);
        CloseHandle(held);
        EXPECT_EQ(ReadAll(folder.Path() / "a.exe"), "a");
        EXPECT_EQ(ReadAll(folder.Path() / "b.exe"), "b");
      }
    }
  }
}

TEST(WinFiles, AFolderIsFlushedOrSaysWhyNot) {
  platform::FileOperations& files = platform::SystemFileOperations();
  TempFolder folder;
  WriteFile(Utf8(folder.Path() / "a.exe"), "a");
  EXPECT_EQ(files.SyncFolder(Utf8(folder.Path())), platform::FileResult::Done);
  EXPECT_EQ(files.SyncFolder(Utf8(folder.Path() / "a.exe")), platform::FileResult::Failed);
  EXPECT_EQ(files.SyncFolder(Utf8(folder.Path() / "missing")), platform::FileResult::Failed);
  // A folder is neither a file nor removed as one.
  EXPECT_FALSE(files.IsFile(Utf8(folder.Path())));
  EXPECT_TRUE(files.IsFile(Utf8(folder.Path() / "a.exe")));
  std::filesystem::create_directory(folder.Path() / "Kolvarin.bak");
  EXPECT_FALSE(files.Remove(Utf8(folder.Path() / "Kolvarin.bak")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "Kolvarin.bak"));
}

} // namespace
