#pragma once

#include "TempDir.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

struct StartOptions {
  std::vector<std::string> args = {};    // after argv[0]
  std::optional<std::string> argv0 = {}; // defaults to the path
  std::optional<std::filesystem::path> workingDir = {};
  std::optional<uid_t> uid = {};             // run as this user (needs root)
  std::vector<std::string> environment = {}; // "NAME=value" set, "NAME" removed
};

// A child process with its standard output on a pipe. Killed and reaped when destroyed.
class ChildProcess {
public:
  ChildProcess(const std::filesystem::path& program, const StartOptions& options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return m_pid; }

  // The next line of standard output, without its newline, or nothing after `timeout` or at
  // the end of the output.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = 10s);

  // Waits until the process runs `program` (exec has happened).
  bool WaitExec(const std::filesystem::path& program, std::chrono::milliseconds timeout = 10s);

  // Whether the process has not yet ended (reaps it when it has).
  bool Running();

  // The wait status once the process has ended, or nothing after `timeout`.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout = 10s);

  bool ExitedNormallyWith(int code);
  bool KilledBy(int signal);

private:
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_buffer;
  std::optional<int> m_status;
};

// What a program that ran to its end left: its wait status and both output streams.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  long peakResidentKiB = 0; // the most memory the program held at once
  bool ExitedWith(int code) const;
};

// Runs `program` with `args` to its end (killed after `timeout`).
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     std::chrono::milliseconds timeout = 30s);

// Copies `program` to `folder/name`, executable by anyone, and returns the new path.
std::filesystem::path CopyProgram(const std::filesystem::path& program,
                                  const std::filesystem::path& folder, const std::string& name);

// The folder of the test support programs (the build's tests/support).
std::filesystem::path SupportProgram(const std::string& name);

// Polls `condition` every 10 ms until it holds or `timeout` passes.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

} // namespace testsupport
