#pragma once

// The Linux programs behind the tests' real servers (nginx, squid, openssl), run from either
// build: from the Linux tests directly, from the Windows tests under Wine, which starts a Unix
// program given by its Unix path but gives no handle to wait on. Every script therefore leaves
// its exit code in a file of its own, and both builds wait for that file. One implementation of
// the start per system (support/posix, support/win32).

#include <chrono>
#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder that this program and the Linux programs it starts both reach, removed with
// everything in it when the object goes.
class LinuxFolder {
public:
  LinuxFolder();
  ~LinuxFolder();
  LinuxFolder(const LinuxFolder&) = delete;
  LinuxFolder& operator=(const LinuxFolder&) = delete;

  // The folder as this program names it.
  const std::filesystem::path& Path() const { return m_path; }
  // `relative` inside the folder as the Linux programs name it.
  std::string Unix(const std::string& relative = {}) const;

  // Writes `body` as the bash script NAME.sh in the folder and runs it to its end (its output
  // in NAME.log): its exit code, or -1 when it did not end within `limit`. PATH is the system's
  // own in the script, whichever build started it.
  int RunScript(const std::string& name, const std::string& body,
                std::chrono::milliseconds limit = std::chrono::seconds(30)) const;

private:
  std::filesystem::path m_path;
  std::string m_unix;
};

// `text` quoted for bash.
std::string ShellQuoted(const std::string& text);

// The system's part: where such folders go, in this program's names and in Unix names, and
// starting bash on a script (a Unix path) with no wait for its end.
std::filesystem::path LinuxFolderBase();
std::string UnixPathOf(const std::filesystem::path& path);
bool StartBash(const std::string& unixScript);

} // namespace testsupport
