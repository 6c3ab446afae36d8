#include <windows.h>


#include "platform/Files.h"
#include "platform/StartProgram.h"
#include "platform/win32/Unicode.h"
#include "platform/win32/Win32FileOperations.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

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

bool Busy(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Takes the read-only attribute off a file (never a folder) so that it can be removed or
// replaced; returns the attributes it had, for RestoreReadOnly.
DWORD ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !IsFolder(attributes) &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    const DWORD cleared = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    SetFileAttributesW(path.c_str(), cleared == 0 ? FILE_ATTRIBUTE_NORMAL : cleared);
  }
  return attributes;
}

// Gives a file that stayed in place the read-only attribute it had, keeping the failure's code.
void RestoreReadOnly(const std::wstring& path, DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
    return;
  const DWORD error = GetLastError();
  SetFileAttributesW(path.c_str(), attributes);
  SetLastError(error);
}

} // namespace

// Virus scanners and indexers open a file just after it was written or renamed, often without
// sharing its deletion: what fails with their codes is tried again, with a pause twice as long
// each time, until the limit is spent. The last failure's code stays for the caller.
template <typename Attempt> bool Win32FileOperations::WhileBusy(Attempt attempt) const {
  std::chrono::milliseconds waited{0};
  std::chrono::milliseconds pause{10};
  for (;;) {
    if (attempt())
      return true;
    const DWORD error = GetLastError();
    if (!Busy(error) || waited >= m_busyLimit)
      return false;
    const std::chrono::milliseconds step = std::min(pause, m_busyLimit - waited);
    Sleep(static_cast<DWORD>(step.count()));
    waited += step;
    pause *= 2;
    SetLastError(error);
  }
}

bool Win32FileOperations::Exists(const std::string& path) {
  return GetFileAttributesW(win32::LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileOperations::IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win32::LongPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool Win32FileOperations::Remove(const std::string& path) {
  const std::wstring name = win32::LongPath(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (IsFolder(attributes)) {
    // Not ours to remove, and no wait makes it removable.
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  ClearReadOnly(name);
  if (WhileBusy([&] { return DeleteFileW(name.c_str()) != FALSE; }))
    return true;
  RestoreReadOnly(name, attributes);
  return false;
}

bool Win32FileOperations::SyncFile(const std::string& path) {
  HANDLE file = CreateFileW(win32::LongPath(path).c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  const bool synced = FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  return synced;
}

FileResult Win32FileOperations::SyncFolder(const std::string& path) {
  const std::wstring name = win32::LongPath(path.empty() ? "." : path);
  if (!IsFolder(GetFileAttributesW(name.c_str())))
    return FileResult::Failed;
  // NTFS flushes a folder's entries through a handle opened for writing with backup semantics;
  // other file systems, or a folder we may not open so, refuse it.
  HANDLE folder = CreateFileW(name.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE)
    return FileResult::Unsupported;
  const bool flushed = FlushFileBuffers(folder) != FALSE;
  const DWORD error = GetLastError();
  CloseHandle(folder);
  if (flushed)
    return FileResult::Done;
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
                 error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_PARAMETER ||
                 error == ERROR_INVALID_HANDLE
             ? FileResult::Unsupported
             : FileResult::Failed;
}

int Win32FileOperations::Mode(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(win32::LongPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return -1;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
}

bool Win32FileOperations::SetMode(const std::string& path, int) {
  // Windows has no permission bits; the one it has, read-only, is never given to a file of ours.
  return Exists(path);
}

FileResult Win32FileOperations::Link(const std::string& from, const std::string& to) {
  const std::wstring source = win32::LongPath(from);
  const std::wstring target = win32::LongPath(to);
  if (IsFolder(GetFileAttributesW(source.c_str())))
    return FileResult::Failed;
  if (WhileBusy([&] { return CreateHardLinkW(target.c_str(), source.c_str(), nullptr) != FALSE; }))
    return FileResult::Done;
  const DWORD error = GetLastError();
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
                 error == ERROR_CALL_NOT_IMPLEMENTED
             ? FileResult::Unsupported
             : FileResult::Failed;
}

bool Win32FileOperations::Replace(const std::string& from, const std::string& to) {
  const std::wstring source = win32::LongPath(from);
  const std::wstring target = win32::LongPath(to);
  if (IsFolder(GetFileAttributesW(target.c_str()))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // Windows refuses to replace a read-only file; the old player keeps the attribute should the
  // rename not happen.
  const DWORD attributes = ClearReadOnly(target);
  if (WhileBusy([&] {
        return MoveFileExW(source.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
      }))
    return true;
  RestoreReadOnly(target, attributes);
  return false;
}

FileResult Win32FileOperations::Exchange(const std::string&, const std::string&) {
  return FileResult::Unsupported;
}

bool Win32FileOperations::Move(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing target makes it fail. A read-only source is
  // renamed as any other: the attribute forbids writing and removing, not renaming.
  const std::wstring source = win32::LongPath(from);
  const std::wstring target = win32::LongPath(to);
  return WhileBusy(
      [&] { return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
}

std::string Win32FileOperations::LastFailure() {
  const DWORD error = GetLastError();
  return error == 0 ? std::string()
                    : "error " + std::to_string(error) + ": " + win32::SystemErrorText(error);
}

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
      win32::LongPath(fileName).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
      nullptr, exclusive ? CREATE_NEW : CREATE_ALWAYS,
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

void TWriteFile::Sync() {
  if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(m_fd))))
    throw EFileError("Cannot flush \"" + m_name + "\". " + LastErrorText());
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
