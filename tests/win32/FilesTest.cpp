// The file operations of the update flow on Windows: UTF-8 names reach the system as UTF-16,
// renames never replace, an exclusive create never takes an existing name, and a running
// program's file stays in place until the program has ended.
#include "platform/Files.h"

#include "Win32Process.h"
#include "platform/Processes.h"

#include <filesystem>
#include <gtest/gtest.h>

// windows.h names its own DeleteFile and MoveFile as macros.
#undef DeleteFile
#undef MoveFile

namespace {

using namespace std::chrono_literals;
using namespace wintest;

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(WinFiles, TurkishNamesRoundTripThroughUtf16) {
  TempFolder folder;
  const std::string name = Utf8(folder.Path()) + "\\Güncelleme ışığı ÇŞĞÜÖİ.exe";
  platform::TWriteFile file;
  file.Create(name);
  file.Write("abc", 3);
  file.Close();
  EXPECT_TRUE(platform::FileExists(name));
  const std::filesystem::path wide(
      std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
  EXPECT_TRUE(std::filesystem::exists(wide)) << "the name the system got is the one we meant";
  EXPECT_EQ(ReadAll(wide), "abc");
  EXPECT_TRUE(platform::SyncFile(name));
  EXPECT_TRUE(platform::DeleteFile(name));
  EXPECT_FALSE(platform::FileExists(name));
}

TEST(WinFiles, ARenameNeverReplacesAndAnExclusiveCreateNeverTakesAName) {
  TempFolder folder;
  const std::string a = Utf8(folder.Path() / "a.exe");
  const std::string b = Utf8(folder.Path() / "b.exe");
  for (const auto& [name, bytes] : {std::pair{a, "old"}, std::pair{b, "new"}}) {
    platform::TWriteFile file;
    file.Create(name);
    file.Write(bytes, 3);
    file.Close();
  }
  EXPECT_FALSE(platform::MoveFile(b, a));
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "old");
  platform::TWriteFile exclusive;
  EXPECT_THROW(exclusive.Create(a, true), platform::EFileError);
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "old");
  EXPECT_TRUE(platform::DeleteFile(a));
  EXPECT_TRUE(platform::MoveFile(b, a));
  EXPECT_EQ(ReadAll(std::filesystem::path(folder.Path() / "a.exe")), "new");
  EXPECT_FALSE(platform::FileExists(b));
  EXPECT_TRUE(platform::SyncFolder(Utf8(folder.Path())));
}

TEST(WinFiles, ARunningPlayerKeepsItsFileUntilItHasEnded) {
  TempFolder folder;
  const auto player = folder.Path() / "Kolvarin.exe";
  std::filesystem::copy_file(WinPath(KOLVARIN_SUPPORT_DIR "/kv-fake-player-win.exe"), player);
  Started running(player.wstring(), {L"ignores"});
  ASSERT_TRUE(running.Ok());
  ASSERT_TRUE(WaitUntil([&] { return !platform::ProcessExeFile(running.Id()).empty(); }, 10s));
  EXPECT_FALSE(platform::DeleteFile(Utf8(player)));
  EXPECT_TRUE(platform::FileExists(Utf8(player)));
  EXPECT_TRUE(platform::TerminateProcessById(static_cast<pid_t>(running.Id())));
  ASSERT_TRUE(running.WaitEnded(10s));
  EXPECT_TRUE(WaitUntil([&] { return platform::DeleteFile(Utf8(player)); }, 10s));
}

TEST(WinFiles, TheProgramFolderIsWhereTheProgramIs) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(std::filesystem::path(path).parent_path(),
            std::filesystem::path(std::u8string(
                reinterpret_cast<const char8_t*>(platform::ExecutableFolder().c_str()))));
}

} // namespace
