#pragma once

#include "platform/Exceptions.h"

#include <string>

namespace platform {

// A file failure, with the system's reason.
class EFileError : public Exception {
public:
  using Exception::Exception;
};

// The file operations of the update flow; each reports success and raises nothing.
bool FileExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Renames without replacing an existing target.
bool MoveFile(const std::string& from, const std::string& to);
// Flushes a file's data to the disk.
bool SyncFile(const std::string& path);
// Flushes a folder's entries (after renames in it) to the disk.
bool SyncFolder(const std::string& path);
// The permission bits of a file, or -1 without one.
int FileMode(const std::string& path);
bool SetFileMode(const std::string& path, int mode);
// The folder of the running program.
std::string ExecutableFolder();
// Starts a program detached from this one (its own session, standard streams on /dev/null);
// the bare name is looked for in the program's own folder, then in the working folder.
// True when it started.
bool StartProgram(const std::string& name);

// A file opened for writing from its start, closed when it goes.
class TWriteFile {
public:
  TWriteFile() = default;
  ~TWriteFile();
  TWriteFile(const TWriteFile&) = delete;
  TWriteFile& operator=(const TWriteFile&) = delete;

  // Creates the file, replacing one of that name (a relative name is resolved against the
  // working folder). Raises EFileError "Cannot create file "<name>". <reason>". Exclusive:
  // the file must not exist yet, and a symbolic link in its place is never followed.
  void Create(const std::string& fileName, bool exclusive = false);
  // Writes all the bytes; raises EFileError on a failure (disk full).
  void Write(const void* bytes, std::size_t count);
  // Closes the file; raises EFileError when the close reports a failure.
  void Close();
  bool IsOpen() const noexcept { return m_fd >= 0; }

private:
  int m_fd = -1;
  std::string m_name;
};

} // namespace platform
