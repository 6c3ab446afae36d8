#pragma once

#include <cstddef>
#include <string>

namespace app {

// The log in the player's folder, and where it goes when that folder cannot be written: the
// user's own data folder (%LOCALAPPDATA%\Kolvarin\update.log on Windows,
// ~/.local/state/Kolvarin/update.log on Linux).
inline constexpr const char* LogName = "Kolvarin.update.log";
inline constexpr const char* OwnFolderName = "Kolvarin";
inline constexpr const char* OwnLogName = "update.log";
// The log never grows past this: before a line would pass it, only the newest half is kept.
inline constexpr std::size_t MaxLogBytes = 256 * 1024;

// Where this run's lines go: the folder's log when the folder can be written, else the one in
// the user's data folder (empty when the system names no such folder).
std::string LogPathFor(bool folderWritable, const std::string& folder = {});

// Text with the user name and password of every URL in it taken out ("http://a:b@host/" is
// "http://host/"): a log a user sends to the publisher holds no secrets.
std::string WithoutCredentials(std::string text);

// A few lines a run of the updater appends, for a user to send when an update went wrong:
// each with the time (UTC), written and closed at once so that a run that dies keeps what it
// wrote. Writing never fails the update: a log that cannot be written is left alone.
class UpdateLog {
public:
  UpdateLog() = default;
  explicit UpdateLog(std::string path, std::size_t maxBytes = MaxLogBytes)
      : m_path(std::move(path)), m_maxBytes(maxBytes) {}

  // Lines go to `path` from now on; nowhere when it is empty.
  void Open(std::string path) { m_path = std::move(path); }
  const std::string& Path() const noexcept { return m_path; }

  // Appends one line: the time, then `text` without credentials, its line breaks as spaces.
  void Write(const std::string& text);

private:
  // Keeps the newest half of the file (from a line's start) when `adding` more bytes would
  // pass the limit.
  void KeepWithinLimit(std::size_t adding);

  std::string m_path;
  std::size_t m_maxBytes = MaxLogBytes;
};

} // namespace app
