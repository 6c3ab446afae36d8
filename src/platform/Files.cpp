#include "platform/Files.h"

#include "platform/Spawn.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS)
    return false;
  // A file system without the no-replace rename: link, then drop the old name.
  if (::link(from.c_str(), to.c_str()) != 0)
    return false;
  return ::unlink(from.c_str()) == 0;
}

bool SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

bool SyncFolder(const std::string& path) {
  const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

int FileMode(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    return -1;
  return static_cast<int>(info.st_mode & 07777);
}

bool SetFileMode(const std::string& path, int mode) {
  return ::chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0)
    return ".";
  std::string exe(path, static_cast<std::size_t>(length));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash);
}

bool StartProgram(const std::string& name) {
  std::string program = ExecutableFolder() + "/" + name;
  if (::access(program.c_str(), X_OK) != 0)
    program = "./" + name;
  return SpawnDetached({program}) > 0;
}

TWriteFile::~TWriteFile() {
  if (m_fd >= 0)
    ::close(m_fd);
}

void TWriteFile::Create(const std::string& fileName, bool exclusive) {
  if (m_fd >= 0)
    Close();
  m_name = fileName;
  const int flags = exclusive ? (O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC)
                              : (O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
  m_fd = ::open(fileName.c_str(), flags, 0644);
  if (m_fd < 0)
    throw EFileError("Cannot create file \"" + fileName + "\". " + std::strerror(errno));
}

void TWriteFile::Write(const void* bytes, std::size_t count) {
  const auto* at = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t written = ::write(m_fd, at, count);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      throw EFileError("Cannot write to \"" + m_name + "\". " +
                       std::strerror(written < 0 ? errno : ENOSPC));
    at += written;
    count -= static_cast<std::size_t>(written);
  }
}

void TWriteFile::Close() {
  if (m_fd < 0)
    return;
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0)
    throw EFileError("Cannot close \"" + m_name + "\". " + std::strerror(errno));
}

} // namespace platform
