#pragma once

#include "platform/FileOperations.h"

namespace platform {

// The file operations over the POSIX and Linux calls: link, rename, renameat2 with
// RENAME_EXCHANGE or RENAME_NOREPLACE, fsync.
class PosixFileOperations final : public FileOperations {
public:
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
};

} // namespace platform
