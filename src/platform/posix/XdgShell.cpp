#include "platform/Shell.h"

#include "platform/Spawn.h"

#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

std::mutex g_lock;
std::function<bool(const std::string&)> g_opener;

// Runs `argv` detached (own session, standard streams on /dev/null) and waits for its exit
// code at most `limit`; true for exit code 0 or a program still running at the limit.
bool RunOpener(std::vector<std::string> argv, std::chrono::milliseconds limit) {
  const pid_t pid = SpawnDetached(std::move(argv));
  if (pid < 0)
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
