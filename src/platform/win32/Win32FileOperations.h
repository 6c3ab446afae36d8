#pragma once

#include "platform/FileOperations.h"

#include <chrono>

namespace platform {

// How long in all the file operations try again while another program holds a file.
inline constexpr std::chrono::milliseconds BusyFileLimit{5000};

// The file operations over Win32: renames written through, hard links, no exchanging rename;
// long path forms, read-only files of ours made writable before they go, and a file held
// briefly by another program (ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION,
// ERROR_ACCESS_DENIED) tried again after 10, 20, 40 ... ms until `busyLimit` is spent.
class Win32FileOperations final : public FileOperations {
public:
  explicit Win32FileOperations(std::chrono::milliseconds busyLimit = BusyFileLimit)
      : m_busyLimit(busyLimit) {}

  bool Exists(const std::string& path) override;
  bool IsFile(const std::string& path) override;
  bool Remove(const std::string& path) override;
  bool SyncFile(const std::string& path) override;
  FileResult SyncFolder(const std::string& path) override;
  int Mode(const std::string& path) override;
  bool SetMode(const std::string& path, int mode) override;
  FileResult Link(const std::string& from, const std::string& to) override;
  bool Replace(const std::string& from, const std::string& to) override;
  FileResult Exchange(const std::string& first, const std::string& second) override;
  bool Move(const std::string& from, const std::string& to) override;
  std::string LastFailure() override;

private:
  template <typename Attempt> bool WhileBusy(Attempt attempt) const;

  std::chrono::milliseconds m_busyLimit;
};

} // namespace platform
