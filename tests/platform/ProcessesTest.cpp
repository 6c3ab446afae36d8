#include "platform/Processes.h"

#include "ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
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

TEST(SnapshotProcesses, AReadThatBlocksGivesNothingAtTheDeadlineAndHoldsUpNoOtherRead) {
  // A FIFO without a writer blocks its reader without end, as a command line of a process stuck
  // in the kernel does.
  TempDir dir;
  const fs::path first = dir.Path() / "first", stuck = dir.Path() / "stuck",
                 last = dir.Path() / "last";
  std::ofstream(first, std::ios::binary) << std::string("/opt/Kolvarin.exe\0--quiet", 25);
  ASSERT_EQ(mkfifo(stuck.c_str(), 0600), 0);
  std::ofstream(last, std::ios::binary) << "sleep";

  const auto fields = platform::ReadFirstFields(
      {first.string(), stuck.string(), last.string()},
      std::chrono::steady_clock::now() + std::chrono::milliseconds(300));

  ASSERT_EQ(fields.size(), 3u);
  EXPECT_EQ(fields[0], "/opt/Kolvarin.exe");
  EXPECT_EQ(fields[1], std::nullopt);
  EXPECT_EQ(fields[2], "sleep");
  // Lets the reader that was given up on finish.
  const int writer = open(stuck.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  close(writer);
}

TEST(TerminateProcessById, KillsAtOnce) {
  ChildProcess child("/bin/sleep", {.args = {"60"}});

  EXPECT_TRUE(platform::TerminateProcessById(child.Pid()));
  ASSERT_TRUE(child.WaitExit());
  EXPECT_TRUE(child.KilledBy(SIGKILL));
}

// The state letter of /proc/PID/stat, or nothing once the process has been reaped.
std::optional<char> ProcessState(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(file, stat);
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size())
    return std::nullopt;
  return stat[close + 2];
}

// The swap that follows the sweep must not meet the dying player's program still mapped. A
// process that holds much memory takes a while to let it go after SIGKILL, which shows a sweep
// that returns as soon as the signal is sent.
TEST(TerminateProcessById, ReturnsOnlyOnceTheProcessHasEnded) {
  const char* const holdsMemory = "import time\n"
                                  "hold = b'x' * (256 << 20)\n"
                                  "print('ready', flush=True)\n"
                                  "time.sleep(60)\n";
  ChildProcess child("/usr/bin/python3", {.args = {"-c", holdsMemory}});
  ASSERT_EQ(child.ReadLine(30s), "ready");
  ASSERT_TRUE(platform::TerminateProcessById(child.Pid()));
  // Not reaped yet (the test is its parent), so a process that has ended is a zombie.
  EXPECT_EQ(ProcessState(child.Pid()), 'Z');
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
