#pragma once

#include <filesystem>

namespace testsupport {

// A fresh folder below the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

private:
  std::filesystem::path m_path;
};

} // namespace testsupport
