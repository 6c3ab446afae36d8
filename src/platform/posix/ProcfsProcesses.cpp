#include "platform/Processes.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <limits.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
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

std::string FirstField(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string field;
  std::getline(file, field, '\0');
  return field;
}

std::string ProcPath(pid_t pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

} // namespace

std::string ProcessExeFile(pid_t pid) {
  std::string exe = ReadLink(ProcPath(pid, "exe"));
  if (exe.empty())
    return FirstField(ProcPath(pid, "cmdline"));
  // A running program whose file has since been deleted still counts under its file's name.
  if (exe.ends_with(DeletedSuffix) && !Exists(exe))
    exe.resize(exe.size() - DeletedSuffix.size());
  return exe;
}

std::vector<std::optional<std::string>>
ReadFirstFields(const std::vector<std::string>& paths,
                std::chrono::steady_clock::time_point deadline) {
  struct Shared {
    std::mutex lock;
    std::condition_variable read;
    std::vector<std::optional<std::string>> fields;
    std::size_t pending = 0;
  };
  auto shared = std::make_shared<Shared>();
  shared->fields.resize(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    try {
      std::thread([shared, i, path = paths[i]] {
        std::string field = FirstField(path);
        const std::lock_guard<std::mutex> guard(shared->lock);
        shared->fields[i] = std::move(field);
        --shared->pending;
        shared->read.notify_all();
      }).detach();
      const std::lock_guard<std::mutex> guard(shared->lock);
      ++shared->pending;
    } catch (const std::system_error&) {
      // No thread to read this one: its field stays empty.
    }
  }
  std::unique_lock<std::mutex> guard(shared->lock);
  shared->read.wait_until(guard, deadline, [&] { return shared->pending == 0; });
  return shared->fields;
}

std::vector<ProcessEntry> SnapshotProcesses(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), &closedir);
  if (!proc)
    return {};
  std::vector<ProcessEntry> entries;
  // The command lines of processes whose executable cannot be read, and their entries.
  std::vector<std::string> commandLines;
  std::vector<std::size_t> waiting;
  while (const dirent* entry = readdir(proc.get())) {
    char* end = nullptr;
    const long number = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || number <= 0)
      continue;
    const auto pid = static_cast<pid_t>(number);
    errno = 0;
    std::string exe = ReadLink(ProcPath(pid, "exe"));
    // No executable at all (a kernel thread, a process that has ended) has no command line
    // either; one that is not ours to read may have one.
    if (exe.empty() && errno != ENOENT) {
      commandLines.push_back(ProcPath(pid, "cmdline"));
      waiting.push_back(entries.size());
    } else if (exe.ends_with(DeletedSuffix) && !Exists(exe)) {
      exe.resize(exe.size() - DeletedSuffix.size());
    }
    entries.push_back({pid, std::move(exe)});
  }
  const auto fields = ReadFirstFields(commandLines, deadline);
  for (std::size_t i = 0; i < waiting.size(); ++i)
    entries[waiting[i]].szExeFile = fields[i].value_or(std::string());
  return entries;
}

namespace {

// Whether the process has ended: no longer there, or a zombie whose parent has not yet reaped it
// (its memory and its program's file are already let go).
bool Ended(pid_t pid) {
  if (kill(pid, 0) != 0 && errno == ESRCH)
    return true;
  // The state follows the command name, which is in parentheses and may hold any character.
  const std::string stat = FirstField(ProcPath(pid, "stat"));
  const std::size_t close = stat.rfind(')');
  if (stat.empty() || close == std::string::npos || close + 2 >= stat.size())
    return stat.empty();
  return stat[close + 2] == 'Z' || stat[close + 2] == 'X';
}

} // namespace

bool TerminateProcessById(pid_t pid) {
  // kill() with 0 or a negative id signals groups of processes; never ours.
  if (pid <= 0 || pid == getpid())
    return false;
  // A process descriptor names this very process until it is reaped, so neither the signal nor
  // the wait can reach another process that has since been given the same id.
  const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (process >= 0) {
    const bool signalled = syscall(SYS_pidfd_send_signal, process, SIGKILL, nullptr, 0) == 0;
    if (signalled) {
      pollfd ended{process, POLLIN, 0};
      while (poll(&ended, 1, static_cast<int>(TerminateWaitLimit.count())) < 0 && errno == EINTR) {
      }
    }
    close(process);
    return signalled;
  }
  // Without process descriptors (an older kernel): the id, and a look every few milliseconds.
  if (kill(pid, SIGKILL) != 0)
    return false;
  const auto deadline = std::chrono::steady_clock::now() + TerminateWaitLimit;
  while (!Ended(pid) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return true;
}

} // namespace platform
