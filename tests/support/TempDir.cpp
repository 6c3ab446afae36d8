#include "TempDir.h"

#include <random>
#include <stdexcept>
#include <string>

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
  // A name nobody else holds: creating an existing folder fails, and the next name is tried.
  std::random_device seed;
  std::mt19937_64 random(seed());
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("kolvarin-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      m_path = candidate;
      fs::permissions(m_path, fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
      return;
    }
  }
  throw std::runtime_error("no fresh temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

} // namespace testsupport
