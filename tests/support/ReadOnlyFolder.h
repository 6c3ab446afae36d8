#pragma once

// A folder made read-only for every process of the tests' mount namespace, root included: the
// folder bind-mounted over itself, then remounted read-only. As a folder under Program Files is
// to a user without the administrator's rights, and on Linux as a folder the user may not write.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace testsupport {

class ReadOnlyFolder {
public:
  explicit ReadOnlyFolder(const std::filesystem::path& folder) : m_folder(folder) {
    m_mounted = mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
    m_readOnly = m_mounted && mount(nullptr, folder.c_str(), nullptr,
                                    MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
  }
  ~ReadOnlyFolder() {
    if (m_mounted)
      umount2(m_folder.c_str(), MNT_DETACH);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  // Whether the folder is read-only now (the tests' namespace lets them mount).
  bool ReadOnly() const { return m_readOnly; }

private:
  std::filesystem::path m_folder;
  bool m_mounted = false;
  bool m_readOnly = false;
};

} // namespace testsupport
