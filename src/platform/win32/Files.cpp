#include <windows.h>


#include "platform/FileOperations.h"
#include "platform/Files.h"
#include "platform/StartProgram.h"
#include "platform/win32/Unicode.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace platform {

namespace {

std::string LastErrorText() {
  return win32::SystemErrorText(GetLastError());
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? "." : path.substr(0, cut);
}

} // namespace

namespace {

// The file operations over Win32: renames written through, no exchanging rename.
class Win32FileOperations final : public FileOperations {
public:
  bool Exists(const std::string& path) override {
    return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  bool Remove(const std::string& path) override {
    return DeleteFileW(win32::Widen(path).c_str()) != FALSE;
  }

  bool SyncFile(const std::string& path) override {
    HANDLE file = CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return false;
    const bool synced = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return synced;
  }

  bool SyncFolder(const std::string& path) override {
    // Renames are written through when they happen; a folder has nothing more to flush.
    const DWORD attributes = GetFileAttributesW(win32::Widen(path.empty() ? "." : path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  int Mode(const std::string& path) override {
    struct _stat64 info {};
    if (_wstat64(win32::Widen(path).c_str(), &info) != 0)
      return -1;
    return static_cast<int>(info.st_mode & 0777);
  }

  bool SetMode(const std::string& path, int mode) override {
    return _wchmod(win32::Widen(path).c_str(), mode & (_S_IREAD | _S_IWRITE)) == 0;
  }

  FileResult Link(const std::string& from, const std::string& to) override {
    if (CreateHardLinkW(win32::Widen(to).c_str(), win32::Widen(from).c_str(), nullptr))
      return FileResult::Done;
    const DWORD error = GetLastError();
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
                   error == ERROR_CALL_NOT_IMPLEMENTED
               ? FileResult::Unsupported
               : FileResult::Failed;
  }

  bool Replace(const std::string& from, const std::string& to) override {
    return MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }

  FileResult Exchange(const std::string&, const std::string&) override {
    return FileResult::Unsupported;
  }

  bool Move(const std::string& from, const std::string& to) override {
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes it fail.
    return MoveFileExW(win32::Widen(from).c_str(), win32::Widen(to).c_str(),
                       MOVEFILE_WRITE_THROUGH) != FALSE;
  }
};

} // namespace

FileOperations& SystemFileOperations() {
  static Win32FileOperations operations;
  return operations;
}

std::string ExecutableFolder() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size())
    return ".";
  path.resize(length);
  return FolderOf(win32::Narrow(path));
}

TWriteFile::~TWriteFile() {
  if (m_fd >= 0)
    _close(m_fd);
}

void TWriteFile::Create(const std::string& fileName, bool exclusive) {
  if (m_fd >= 0)
    Close();
  m_name = fileName;
  // CREATE_NEW fails for any entry of that name, a link included, and never follows it. The
  // file may be removed while it is written (a download given up while its worker still
  // writes): the removal takes effect when this handle is closed, at the latest at exit.
  HANDLE file = CreateFileW(
      win32::Widen(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
      exclusive ? CREATE_NEW : CREATE_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | (exclusive ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
  if (file == INVALID_HANDLE_VALUE)
    throw EFileError("Cannot create file \"" + fileName + "\". " + LastErrorText());
  m_fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
  if (m_fd < 0) {
    CloseHandle(file);
    throw EFileError("Cannot create file \"" + fileName + "\". " + LastErrorText());
  }
}

void TWriteFile::Write(const void* bytes, std::size_t count) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(m_fd));
  const auto* at = static_cast<const char*>(bytes);
  while (count > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, at, chunk, &written, nullptr) || written == 0)
      throw EFileError("Cannot write to \"" + m_name + "\". " +
                       win32::SystemErrorText(
                           written == 0 && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError()));
    at += written;
    count -= written;
  }
}

void TWriteFile::Close() {
  if (m_fd < 0)
    return;
  const int fd = m_fd;
  m_fd = -1;
  if (_close(fd) != 0)
    throw EFileError("Cannot close \"" + m_name + "\". " + LastErrorText());
}

} // namespace platform
