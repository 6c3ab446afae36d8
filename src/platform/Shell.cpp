#include "platform/Shell.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

namespace {

std::mutex g_lock;
std::function<bool(const std::string&)> g_opener;

// Runs `argv` detached (own session, standard streams on /dev/null) and waits for its exit
// code at most `limit`; true for exit code 0 or a program still running at the limit.
bool RunOpener(std::vector<std::string> argv, std::chrono::milliseconds limit) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  std::vector<char*> args;
  for (std::string& arg : argv)
    args.push_back(arg.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0)
    return false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid)
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Still running: it has the target; reap it in the background when it ends.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

bool Found(const char* program) {
  for (const char* folder : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
    if (access((std::string(folder) + program).c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

} // namespace

void SetShellOpener(std::function<bool(const std::string&)> opener) {
  std::lock_guard guard(g_lock);
  g_opener = std::move(opener);
}

bool ShellOpen(const std::string& target) {
  {
    std::lock_guard guard(g_lock);
    if (g_opener)
      return g_opener(target);
  }
  return RunOpener({"xdg-open", target}, std::chrono::seconds(5));
}

bool ShellOpenWith(const std::string& target) {
  if (!Found("mimeopen"))
    return false;
  return RunOpener({"mimeopen", "--ask", target}, std::chrono::milliseconds(0));
}

} // namespace platform
