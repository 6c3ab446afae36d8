#include "platform/posix/PosixFileOperations.h"

#include "ChildProcess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using platform::FileResult;
namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  if (fs::is_directory(path))
    return "<folder>";
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<none>";
}

// A folder holding the files "a" (text "A"), "b" (text "B") and the folder "d".
class FileOperationsFolder : public testing::Test {
protected:
  void SetUp() override {
    std::ofstream(Path("a")) << "A";
    std::ofstream(Path("b")) << "B";
    fs::create_directory(Path("d"));
  }
  std::string Path(const char* name) const { return (m_dir.Path() / name).string(); }
  std::string Text(const char* name) const { return Contents(m_dir.Path() / name); }

  testsupport::TempDir m_dir;
  platform::PosixFileOperations m_files;
};

TEST_F(FileOperationsFolder, LinkGivesASecondNameAndNeverReplaces) {
  EXPECT_EQ(m_files.Link(Path("a"), Path("c")), FileResult::Done);
  EXPECT_EQ(Text("c"), "A");
  EXPECT_EQ(fs::hard_link_count(Path("a")), 2u);
  EXPECT_EQ(m_files.Link(Path("a"), Path("b")), FileResult::Failed);
  EXPECT_EQ(Text("b"), "B");
  EXPECT_EQ(m_files.Link(Path("missing"), Path("e")), FileResult::Failed);
  // A folder cannot have a second name: the caller takes another way.
  EXPECT_EQ(m_files.Link(Path("d"), Path("e")), FileResult::Unsupported);
}

TEST_F(FileOperationsFolder, ReplaceRenamesOverTheTargetAndMoveNever) {
  EXPECT_FALSE(m_files.Move(Path("a"), Path("b")));
  EXPECT_EQ(Text("a"), "A");
  EXPECT_EQ(Text("b"), "B");
  EXPECT_TRUE(m_files.Replace(Path("a"), Path("b")));
  EXPECT_EQ(Text("a"), "<none>");
  EXPECT_EQ(Text("b"), "A");
  EXPECT_TRUE(m_files.Move(Path("b"), Path("c")));
  EXPECT_EQ(Text("c"), "A");
  EXPECT_FALSE(m_files.Exists(Path("b")));
}

TEST_F(FileOperationsFolder, ExchangeSwapsTwoNamesFilesOrFolders) {
  EXPECT_EQ(m_files.Exchange(Path("a"), Path("b")), FileResult::Done);
  EXPECT_EQ(Text("a"), "B");
  EXPECT_EQ(Text("b"), "A");
  EXPECT_EQ(m_files.Exchange(Path("a"), Path("d")), FileResult::Done);
  EXPECT_EQ(Text("a"), "<folder>");
  EXPECT_EQ(Text("d"), "B");
  EXPECT_EQ(m_files.Exchange(Path("a"), Path("missing")), FileResult::Failed);
  EXPECT_EQ(Text("a"), "<folder>");
}

TEST_F(FileOperationsFolder, ModesExistenceAndRemoval) {
  EXPECT_TRUE(m_files.SetMode(Path("a"), 0750));
  EXPECT_EQ(m_files.Mode(Path("a")), 0750);
  EXPECT_EQ(m_files.Mode(Path("missing")), -1);
  EXPECT_TRUE(m_files.SyncFile(Path("a")));
  EXPECT_EQ(m_files.SyncFolder(m_dir.Path().string()), FileResult::Done);
  EXPECT_EQ(m_files.SyncFolder(Path("a")), FileResult::Failed);
  EXPECT_EQ(m_files.SyncFolder(Path("missing")), FileResult::Failed);
  // A link is a name of its own, whatever it points at, and no file; nor is a folder.
  fs::create_symlink(Path("a"), Path("link"));
  EXPECT_TRUE(m_files.IsFile(Path("a")));
  EXPECT_FALSE(m_files.IsFile(Path("link")));
  EXPECT_FALSE(m_files.IsFile(Path("d")));
  EXPECT_FALSE(m_files.IsFile(Path("missing")));
  EXPECT_FALSE(m_files.Remove(Path("d")));
  EXPECT_TRUE(fs::is_directory(Path("d")));
  fs::remove(Path("link"));
  fs::create_symlink(Path("missing"), Path("link"));
  EXPECT_TRUE(m_files.Exists(Path("link")));
  EXPECT_FALSE(m_files.SyncFile(Path("link")));
  EXPECT_TRUE(m_files.Remove(Path("link")));
  EXPECT_FALSE(m_files.Exists(Path("link")));
  EXPECT_FALSE(m_files.Remove(Path("link")));
}

} // namespace
