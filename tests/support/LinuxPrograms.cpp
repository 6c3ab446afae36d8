#include "LinuxPrograms.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

namespace testsupport {

namespace fs = std::filesystem;

LinuxFolder::LinuxFolder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const fs::path base = LinuxFolderBase();
  for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
    const fs::path candidate = base / ("kolvarin-server-" + std::to_string(random()));
    if (fs::create_directory(candidate))
      m_path = candidate;
  }
  if (m_path.empty())
    throw std::runtime_error("no fresh folder for a server");
  m_unix = UnixPathOf(m_path);
}

LinuxFolder::~LinuxFolder() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

std::string LinuxFolder::Unix(const std::string& relative) const {
  return relative.empty() ? m_unix : m_unix + "/" + relative;
}

int LinuxFolder::RunScript(const std::string& name, const std::string& body,
                           std::chrono::milliseconds limit) const {
  const fs::path status = m_path / (name + ".status");
  fs::remove(status);
  // The code goes to a file of its own first and is renamed into place: a reader never sees it
  // half written. The output goes to the log, never to this program's: a server left running
  // in the background would otherwise hold the test runner's pipe open.
  std::ofstream(m_path / (name + ".sh"), std::ios::binary)
      << "export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\n"
      << "exec >" << ShellQuoted(Unix(name + ".log")) << " 2>&1 </dev/null\n"
      << "trap 'echo $? >" << ShellQuoted(Unix(name + ".part")) << "; mv "
      << ShellQuoted(Unix(name + ".part")) << " " << ShellQuoted(Unix(name + ".status"))
      << "' EXIT\n"
      << body << "\n";
  if (!StartBash(Unix(name + ".sh")))
    return -1;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(status)) {
    if (std::chrono::steady_clock::now() >= deadline)
      return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::ifstream file(status);
  int code = -1;
  file >> code;
  return code;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

} // namespace testsupport
