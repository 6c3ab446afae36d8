#include "LinuxPrograms.h"

#include "ChildProcess.h"

namespace testsupport {

std::filesystem::path LinuxFolderBase() {
  return std::filesystem::temp_directory_path();
}

std::string UnixPathOf(const std::filesystem::path& path) {
  return path.string();
}

// Here the script can be waited for; its file is still what the caller reads.
bool StartBash(const std::string& unixScript) {
  return RunProgram("/bin/bash", {unixScript}, std::chrono::minutes(2)).status != -1;
}

} // namespace testsupport
