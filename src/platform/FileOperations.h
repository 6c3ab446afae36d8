#pragma once

#include <string>

namespace platform {

// How an operation that some file systems lack came out.
enum class FileResult { Done, Unsupported, Failed };

// The file operations that replace the installed player, one system call each, so that every
// platform gives each its strongest form and tests can record them or fail them one by one.
// Paths are absolute or relative to the working folder. None raises.
//
// On Windows: Replace and Move are MoveFileExW with MOVEFILE_WRITE_THROUGH, Link is
// CreateHardLinkW, SyncFile and SyncFolder are FlushFileBuffers, and Exchange is unsupported.
// Every path goes to the system in its long form ("\\?\C:\..." or "\\?\UNC\server\share\..."),
// so a deep player folder does not meet the 260-character limit. A file of ours that carries the
// read-only attribute has it cleared before it is removed or replaced over, and Remove, Replace,
// Move and Link try again for up to 5 s, with growing pauses, while another program (a virus
// scanner, an indexer) briefly holds the file.
class FileOperations {
public:
  virtual ~FileOperations() = default;

  // Whether the name exists (a link is not followed).
  virtual bool Exists(const std::string& path) = 0;
  // Whether the name is a regular file (not a folder, not a link).
  virtual bool IsFile(const std::string& path) = 0;
  // Removes a file; never a folder.
  virtual bool Remove(const std::string& path) = 0;
  // Flushes a file's data to the disk by opening it again. A file still being written is better
  // flushed through its writer's own handle (TWriteFile::Sync).
  virtual bool SyncFile(const std::string& path) = 0;
  // Flushes a folder's entries (after renames in it) to the disk. Unsupported where the system
  // or the file system cannot flush a folder (a file system without it, a folder that cannot be
  // opened for it): the renames still stand, only their flush is not available.
  virtual FileResult SyncFolder(const std::string& path) = 0;
  // The permission bits of a file, or -1 without one. On Windows, which has no such bits, 0444
  // for a read-only file and 0666 for any other.
  virtual int Mode(const std::string& path) = 0;
  // Gives the file the permission bits. On Windows it changes nothing: a mode without write
  // permission would make the file read-only, and a read-only file of ours could not be removed
  // or replaced by the next run.
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
  // The system's code and reason for the failure of the operation that just failed on this
  // thread ("errno 30: Read-only file system", "error 32: …"), for the log; empty where there
  // is none to tell.
  virtual std::string LastFailure() { return {}; }
};

// The running platform's file operations.
FileOperations& SystemFileOperations();

} // namespace platform
