#include "platform/Processes.h"

#include "ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

std::optional<platform::ProcessEntry> Find(pid_t pid) {
  for (const auto& entry : platform::SnapshotProcesses()) {
    if (entry.th32ProcessID == pid)
      return entry;
  }
  return std::nullopt;
}

TEST(SnapshotProcesses, ListsEachProcessWithTheFullPathOfItsExecutable) {
  TempDir dir;
  const fs::path exe = CopyProgram("/bin/sleep", dir.Path() / "sub dir", "Kolvarin.exe");
  ChildProcess child(exe, {.args = {"60"}});

  ASSERT_TRUE(child.WaitExec(exe));
  ASSERT_TRUE(Find(child.Pid()));
  EXPECT_EQ(Find(child.Pid())->szExeFile, exe.string());
  ASSERT_TRUE(Find(getpid()));
  EXPECT_EQ(Find(getpid())->szExeFile, fs::read_symlink("/proc/self/exe").string());
}

TEST(SnapshotProcesses, ProgramWhoseFileWasDeletedKeepsItsName) {
  TempDir dir;
  const fs::path exe = CopyProgram("/bin/sleep", dir.Path(), "Kolvarin.exe");
  ChildProcess child(exe, {.args = {"60"}});
  ASSERT_TRUE(child.WaitExec(exe));
  fs::remove(exe);

  EXPECT_EQ(platform::ProcessExeFile(child.Pid()), exe.string());
}

TEST(TerminateProcessById, KillsAtOnce) {
  ChildProcess child("/bin/sleep", {.args = {"60"}});

  EXPECT_TRUE(platform::TerminateProcessById(child.Pid()));
  ASSERT_TRUE(child.WaitExit());
  EXPECT_TRUE(child.KilledBy(SIGKILL));
}

TEST(TerminateProcessById, RefusesItselfGroupsAndProcessesThatAreGone) {
  EXPECT_FALSE(platform::TerminateProcessById(getpid()));
  EXPECT_FALSE(platform::TerminateProcessById(0));
  EXPECT_FALSE(platform::TerminateProcessById(-1));

  pid_t gone = 0;
  {
    ChildProcess child("/bin/true");
    ASSERT_TRUE(child.WaitExit());
    gone = child.Pid();
  }
  EXPECT_FALSE(platform::TerminateProcessById(gone));
}

} // namespace
