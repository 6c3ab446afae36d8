#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

ChildProcess::ChildProcess(const fs::path& program, const StartOptions& options) {
  // Everything the child needs is prepared before fork: only async-signal-safe calls after.
  std::vector<std::string> argvText;
  argvText.push_back(options.argv0.value_or(program.string()));
  argvText.insert(argvText.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvText)
    argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<std::string> envText;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& change : options.environment) {
      const std::string key = change.substr(0, change.find('='));
      replaced = replaced || entry.compare(0, key.size() + 1, key + "=") == 0;
    }
    if (!replaced)
      envText.push_back(entry);
  }
  for (const std::string& change : options.environment) {
    if (change.find('=') != std::string::npos)
      envText.push_back(change);
  }
  std::vector<char*> envp;
  for (std::string& entry : envText)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  const std::string path = program.string();
  const std::string dir = options.workingDir ? options.workingDir->string() : std::string();

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  m_pid = fork();
  if (m_pid < 0)
    throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    if (!dir.empty() && chdir(dir.c_str()) != 0)
      _exit(126);
    if (options.uid) {
      if (setgroups(0, nullptr) != 0 || setgid(*options.uid) != 0 || setuid(*options.uid) != 0)
        _exit(125);
    }
    execve(path.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(pipeFds[1]);
  m_out = pipeFds[0];
}

ChildProcess::~ChildProcess() {
  if (m_pid > 0 && !m_status) {
    kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
  }
  if (m_out >= 0)
    close(m_out);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    const size_t end = m_buffer.find('\n');
    if (end != std::string::npos) {
      std::string line = m_buffer.substr(0, end);
      m_buffer.erase(0, end + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
      return std::nullopt;
    pollfd fd{m_out, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(left.count())) <= 0)
      continue;
    char chunk[512];
    const ssize_t got = read(m_out, chunk, sizeof chunk);
    if (got <= 0)
      return std::nullopt;
    m_buffer.append(chunk, static_cast<size_t>(got));
  }
}

bool ChildProcess::WaitExec(const fs::path& program, std::chrono::milliseconds timeout) {
  const fs::path link = "/proc/" + std::to_string(m_pid) + "/exe";
  return WaitFor(
      [&] {
        std::error_code error;
        return fs::read_symlink(link, error) == program;
      },
      timeout);
}

bool ChildProcess::Running() {
  if (m_status)
    return false;
  int status = 0;
  if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
    m_status = status;
    return false;
  }
  return true;
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
  WaitFor([this] { return !Running(); }, timeout);
  return m_status;
}

bool ChildProcess::ExitedNormallyWith(int code) {
  return !Running() && WIFEXITED(*m_status) && WEXITSTATUS(*m_status) == code;
}

bool ChildProcess::KilledBy(int signal) {
  return !Running() && WIFSIGNALED(*m_status) && WTERMSIG(*m_status) == signal;
}

bool RunResult::ExitedWith(int code) const {
  return status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds timeout) {
  TempDir dir;
  const std::string outPath = (dir.Path() / "out").string();
  const std::string errPath = (dir.Path() / "err").string();
  std::vector<std::string> argvText{program.string()};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvText)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(argvText[0].c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  const bool ended = WaitFor(
      [&] {
        int status = 0;
        struct rusage usage {};
        if (wait4(pid, &status, WNOHANG, &usage) != pid)
          return false;
        result.status = status;
        result.peakResidentKiB = usage.ru_maxrss;
        return true;
      },
      timeout);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &result.status, 0);
    result.status = -1;
  }
  const auto slurp = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  result.out = slurp(outPath);
  result.err = slurp(errPath);
  return result;
}

fs::path CopyProgram(const fs::path& program, const fs::path& folder, const std::string& name) {
  fs::create_directories(folder);
  const fs::path target = folder / name;
  fs::copy_file(program, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  return target;
}

fs::path SupportProgram(const std::string& name) {
  return fs::path(KOLVARIN_SUPPORT_DIR) / name;
}

} // namespace testsupport
