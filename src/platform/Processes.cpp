#include "platform/Processes.h"

#include <csignal>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <limits.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view DeletedSuffix = " (deleted)";

std::string ReadLink(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlink(path.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<size_t>(length) >= target.size())
    return {};
  target.resize(static_cast<size_t>(length));
  return target;
}

std::string FirstArgument(pid_t pid) {
  std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string argument;
  std::getline(cmdline, argument, '\0');
  return argument;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string ProcessExeFile(pid_t pid) {
  std::string exe = ReadLink("/proc/" + std::to_string(pid) + "/exe");
  if (exe.empty())
    return FirstArgument(pid);
  // A running program whose file has since been deleted still counts under its file's name.
  if (exe.ends_with(DeletedSuffix) && !Exists(exe))
    exe.resize(exe.size() - DeletedSuffix.size());
  return exe;
}

std::vector<ProcessEntry> SnapshotProcesses() {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), &closedir);
  if (!proc)
    return {};
  std::vector<ProcessEntry> entries;
  while (const dirent* entry = readdir(proc.get())) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0)
      continue;
    entries.push_back({static_cast<pid_t>(pid), ProcessExeFile(static_cast<pid_t>(pid))});
  }
  return entries;
}

bool TerminateProcessById(pid_t pid) {
  // kill() with 0 or a negative id signals groups of processes; never ours.
  if (pid <= 0 || pid == getpid())
    return false;
  return kill(pid, SIGKILL) == 0;
}

} // namespace platform
