// The file operations of the update flow on Windows: UTF-8 names reach the system as UTF-16,
// a move never replaces while a replace does in one step, an exclusive create never takes an
// existing name, a running program's file stays in place until the program has ended, and a
// started program is watched until it ends.
#include "platform/FileOperations.h"
#include "platform/Files.h"
#include "platform/StartProgram.h"

#include "Win32Process.h"
#include "platform/Processes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

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
  EXPECT_TRUE(files.SyncFolder(Utf8(folder.Path())));

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
  platform::FileOperations& files = platform::SystemFileOperations();
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

} // namespace
