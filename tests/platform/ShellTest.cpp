// Addresses and program names reach the programs started for them as single arguments: no
// shell ever reads them, so shell syntax in an address does nothing.
#include "platform/Shell.h"

#include "ChildProcess.h"
#include "platform/StartProgram.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// A fake xdg-open first in PATH that writes its argument count and arguments to a file.
class RecordingOpener {
public:
  RecordingOpener() {
    const fs::path script = m_dir.Path() / "xdg-open";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"" << Log().string()
                          << ".tmp\"\nmv \"" << Log().string() << ".tmp\" \"" << Log().string()
                          << "\"\n";
    fs::permissions(script, fs::perms(0755));
    m_oldPath = std::getenv("PATH");
    setenv("PATH", (m_dir.Path().string() + ":" + m_oldPath).c_str(), 1);
  }
  ~RecordingOpener() { setenv("PATH", m_oldPath.c_str(), 1); }
  fs::path Log() const { return m_dir.Path() / "arguments"; }
  const fs::path& Folder() const { return m_dir.Path(); }

private:
  TempDir m_dir;
  std::string m_oldPath;
};

TEST(ShellOpen, ShellSyntaxInAnAddressIsPassedOnAsOneLiteralArgument) {
  RecordingOpener opener;
  const std::string marker = (opener.Folder() / "pwned").string();
  const std::string address = "http://kolvarin.example/a;touch " + marker + " $(touch " + marker +
                              ") `touch " + marker + "` && touch " + marker + " | x > y";
  ASSERT_TRUE(platform::ShellOpen(address));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(opener.Log()); }, 5s));
  std::ifstream log(opener.Log());
  std::string count, argument;
  std::getline(log, count);
  std::getline(log, argument);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(argument, address);
  EXPECT_FALSE(fs::exists(marker));
}

TEST(StartProgram, TheProgramIsStartedByItsPathWithoutAShell) {
  TempDir folder;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Path());
  // A name that a shell would split into two commands names one file here.
  const std::string name = "Kolvarin.exe;touch pwned";
  std::ofstream(name) << "#!/bin/sh\necho ran > started\n";
  fs::permissions(name, fs::perms(0755));
  EXPECT_TRUE(platform::StartProgram(name));
  EXPECT_TRUE(WaitFor([] { return fs::exists("started"); }, 5s));
  EXPECT_FALSE(fs::exists("pwned"));
  fs::current_path(previous);
}

// The swap happens in the working folder (the player's); a program of the same name beside the
// updater is not the one that was just installed.
TEST(StartProgram, TheProgramInTheWorkingFolderIsStartedByItsFullPathNotOneBesideTheUpdater) {
  TempDir folder;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Path());
  const std::string name = "kv-start-probe";
  const fs::path beside = fs::path(platform::ExecutableFolder()) / name;
  ASSERT_NE(fs::canonical(beside.parent_path()), fs::canonical(folder.Path()));
  std::ofstream(beside) << "#!/bin/sh\necho beside > started\n";
  fs::permissions(beside, fs::perms(0755));
  std::ofstream(name) << "#!/bin/sh\necho \"$0\" > started\n";
  fs::permissions(name, fs::perms(0755));
  auto program = platform::StartWatchedProgram(name);
  EXPECT_TRUE(WaitFor([&] { return program->State() == platform::ProgramState::Succeeded; }, 5s));
  fs::remove(beside);
  std::ifstream started("started");
  std::string path;
  std::getline(started, path);
  EXPECT_EQ(path, (fs::canonical(folder.Path()) / name).string());
  fs::current_path(previous);
}

TEST(StartProgram, AWatchedProgramReportsWhetherItRanAndHowItEnded) {
  using platform::ProgramState;
  struct Case {
    const char* name;
    std::string bytes;
    int mode;
    ProgramState end;
  };
  const Case cases[] = {
      {"exits 0", "#!/bin/sh\nexit 0\n", 0755, ProgramState::Succeeded},
      {"exits 3", "#!/bin/sh\nexit 3\n", 0755, ProgramState::Failed},
      {"killed", "#!/bin/sh\nkill -KILL $$\n", 0755, ProgramState::Failed},
      {"wrong format",
       std::string("\177ELF\011") +
           std::string(100, '\0'),
       0755, ProgramState::NotStarted},
      {"no shebang", "echo ran > started\n", 0755, ProgramState::NotStarted},
      {"not executable", "#!/bin/sh\nexit 0\n", 0644, ProgramState::NotStarted},
  };
  TempDir folder;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.Path());
  for (const Case& c : cases) {
    const std::string name = std::string("program ") + c.name;
    std::ofstream(name, std::ios::binary) << c.bytes;
    fs::permissions(name, fs::perms(c.mode));
    auto program = platform::StartWatchedProgram(name);
    EXPECT_TRUE(WaitFor([&] { return program->State() != ProgramState::Running; }, 5s)) << c.name;
    EXPECT_EQ(program->State(), c.end) << c.name;
  }
  EXPECT_FALSE(fs::exists("started"));
  EXPECT_EQ(platform::StartWatchedProgram("missing")->State(), ProgramState::NotStarted);

  // One still running says so, and its end is seen once it comes.
  std::ofstream("sleeper") << "#!/bin/sh\nsleep 0.5\nexit 5\n";
  fs::permissions("sleeper", fs::perms(0755));
  auto sleeper = platform::StartWatchedProgram("sleeper");
  EXPECT_EQ(sleeper->State(), ProgramState::Running);
  EXPECT_TRUE(WaitFor([&] { return sleeper->State() != ProgramState::Running; }, 5s));
  EXPECT_EQ(sleeper->State(), ProgramState::Failed);
  fs::current_path(previous);
}

} // namespace
