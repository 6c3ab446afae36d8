#pragma once

#include "platform/Exceptions.h"

#include <string>

namespace platform {

// A file failure, with the system's reason.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

// A file opened for writing from its start, closed when it goes.
class TWriteFile {
public:
  TWriteFile() = default;
  ~TWriteFile();
  TWriteFile(const TWriteFile&) = delete;
  TWriteFile& operator=(const TWriteFile&) = delete;

  // Creates the file, replacing one of that name (a relative name is resolved against the
  // working folder; on Windows it may be longer than 260 characters). Raises EFileError "Cannot
  // create file "<name>". <reason>". Exclusive: the file must not exist yet, and a symbolic link in
  // its place is never followed.
  void Create(const std::string& fileName, bool exclusive = false);
  // Writes all the bytes; raises EFileError on a failure (disk full).
  void Write(const void* bytes, std::size_t count);
  // Flushes what was written to the disk through this file's own handle (fsync, on Windows
  // FlushFileBuffers): no second open that another program holding the file could refuse.
  // Raises EFileError when the flush fails.
  void Sync();
  // Closes the file; raises EFileError when the close reports a failure.
  void Close();
  bool IsOpen() const noexcept { return m_fd >= 0; }

private:
  int m_fd = -1;
  std::string m_name;
};

} // namespace platform
