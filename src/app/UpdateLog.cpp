#include "app/UpdateLog.h"

#include "platform/UserFolders.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace app {

namespace fs = std::filesystem;

namespace {

// A UTF-8 path as the file system's (UTF-16 on Windows).
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TimeStamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  // The log is written on one thread only.
  const std::tm* utc = std::gmtime(&seconds);
  char text[40] = "0000-00-00 00:00:00";
  if (utc)
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", utc);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%s.%03dZ", text, static_cast<int>(millis));
  return stamp;
}

} // namespace

std::string LogPathFor(bool folderWritable, const std::string& folder) {
  if (folderWritable)
    return folder.empty() ? std::string(LogName) : folder + "/" + LogName;
  const std::string data = platform::LocalDataFolder();
  if (data.empty())
    return {};
  return data + "/" + OwnFolderName + "/" + OwnLogName;
}

std::string WithoutCredentials(std::string text) {
  for (std::size_t scheme = text.find("://"); scheme != std::string::npos;
       scheme = text.find("://", scheme + 3)) {
    const std::size_t authority = scheme + 3;
    const std::size_t end = text.find_first_of("/?# \t\"'<>", authority);
    const std::size_t at = text.rfind('@', end == std::string::npos ? text.size() - 1 : end - 1);
    if (at != std::string::npos && at >= authority && (end == std::string::npos || at < end))
      text.erase(authority, at + 1 - authority);
  }
  return text;
}

void UpdateLog::Write(const std::string& text) {
  if (m_path.empty())
    return;
  std::string line = TimeStamp() + " " + WithoutCredentials(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n')
      c = ' ';
  }
  line += '\n';
  KeepWithinLimit(line.size());
  std::error_code ignored;
  fs::create_directories(PathOf(m_path).parent_path(), ignored);
  std::ofstream file(PathOf(m_path), std::ios::binary | std::ios::app);
  file << line;
}

void UpdateLog::KeepWithinLimit(std::size_t adding) {
  std::error_code error;
  const fs::path path = PathOf(m_path);
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size + adding <= m_maxBytes)
    return;
  std::string kept;
  {
    std::ifstream file(path, std::ios::binary);
    const std::uintmax_t from = size - std::min<std::uintmax_t>(size, m_maxBytes / 2);
    file.seekg(static_cast<std::streamoff>(from));
    kept.assign(std::istreambuf_iterator<char>(file), {});
    // The first line kept starts whole.
    const std::size_t lineStart = kept.find('\n');
    kept.erase(0, lineStart == std::string::npos ? kept.size() : lineStart + 1);
  }
  // The shortened log replaces the old one in one rename; should that fail, the old one goes,
  // so the limit holds.
  fs::path shortened = path;
  shortened += ".new";
  {
    std::ofstream file(shortened, std::ios::binary | std::ios::trunc);
    file << kept;
  }
  fs::rename(shortened, path, error);
  if (error) {
    fs::remove(shortened, error);
    fs::remove(path, error);
  }
}

} // namespace app
