#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

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

void TWriteFile::Sync() {
  if (::fsync(m_fd) != 0)
    throw EFileError("Cannot flush \"" + m_name + "\". " + std::strerror(errno));
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
