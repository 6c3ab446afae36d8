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

} // namespace
