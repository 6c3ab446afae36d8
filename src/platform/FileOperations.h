#pragma once

#include <string>

namespace platform {

// How an operation that some file systems lack came out.
enum class FileResult { Done, Unsupported, Failed };

// The file operations that replace the installed player, one system call each, so that every
// platform gives each its strongest form and tests can record them or fail them one by one.
// Paths are absolute or relative to the working folder. None raises. On Windows: Replace and
// Move are MoveFileExW with write-through (or ReplaceFileW), Link is CreateHardLinkW, SyncFile
// is FlushFileBuffers, and Exchange is unsupported.
class FileOperations {
public:
  virtual ~FileOperations() = default;

  // Whether the name exists (a link is not followed).
  virtual bool Exists(const std::string& path) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Flushes a file's data to the disk.
  virtual bool SyncFile(const std::string& path) = 0;
  // Flushes a folder's entries (after renames in it) to the disk.
  virtual bool SyncFolder(const std::string& path) = 0;
  // The permission bits of a file, or -1 without one.
  virtual int Mode(const std::string& path) = 0;
  virtual bool SetMode(const std::string& path, int mode) = 0;
  // Gives the file `from` the second name `to` (a hard link); never replaces `to`.
  virtual FileResult Link(const std::string& from, const std::string& to) = 0;
  // Renames `from` to `to`, replacing the file named `to` in one step: `to` names its old file
  // until it names the new one.
  virtual bool Replace(const std::string& from, const std::string& to) = 0;
  // Swaps the files of the two names in one step.
  virtual FileResult Exchange(const std::string& first, const std::string& second) = 0;
  // Renames `from` to `to` when nothing is named `to`; never replaces.
  virtual bool Move(const std::string& from, const std::string& to) = 0;
};

// The running platform's file operations.
FileOperations& SystemFileOperations();

} // namespace platform
