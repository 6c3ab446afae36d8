#include "platform/posix/PosixFileOperations.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int OpenToSync(const std::string& path, int flags) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
}

} // namespace

FileOperations& SystemFileOperations() {
  static PosixFileOperations operations;
  return operations;
}

bool PosixFileOperations::Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool PosixFileOperations::IsFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixFileOperations::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool PosixFileOperations::SyncFile(const std::string& path) {
  const int fd = OpenToSync(path, O_NOFOLLOW);
  if (fd < 0)
    return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

FileResult PosixFileOperations::SyncFolder(const std::string& path) {
  const int fd = OpenToSync(path.empty() ? "." : path, O_DIRECTORY);
  if (fd < 0)
    return FileResult::Failed;
  FileResult result = FileResult::Done;
  if (::fsync(fd) != 0)
    // Some file systems cannot flush a folder and say so with EINVAL.
    result = errno == EINVAL || errno == EROFS ? FileResult::Unsupported : FileResult::Failed;
  ::close(fd);
  return result;
}

int PosixFileOperations::Mode(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    return -1;
  return static_cast<int>(info.st_mode & 07777);
}

bool PosixFileOperations::SetMode(const std::string& path, int mode) {
  return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

FileResult PosixFileOperations::Link(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) == 0)
    return FileResult::Done;
  // File systems without hard links say EPERM (also for a folder, which cannot be linked).
  switch (errno) {
  case EPERM:
  case EOPNOTSUPP:
  case ENOSYS:
  case EMLINK:
  case EXDEV:
    return FileResult::Unsupported;
  default:
    return FileResult::Failed;
  }
}

bool PosixFileOperations::Replace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

FileResult PosixFileOperations::Exchange(const std::string& first, const std::string& second) {
  if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0)
    return FileResult::Done;
  return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ? FileResult::Unsupported
                                                                   : FileResult::Failed;
}

bool PosixFileOperations::Move(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS)
    return false;
  // A file system without the no-replace rename: link, then drop the old name.
  if (::link(from.c_str(), to.c_str()) != 0)
    return false;
  return ::unlink(from.c_str()) == 0;
}

std::string PosixFileOperations::LastFailure() {
  const int error = errno;
  return error == 0 ? std::string() : "errno " + std::to_string(error) + ": " + std::strerror(error);
}

} // namespace platform
