// Holds a file as a virus scanner or an indexer does while a download is written and just after:
// it opens the file as soon as it appears, reading and sharing its reading and writing but not
// its removal or renaming, waits until the file has reached a size, keeps it open that many
// milliseconds more, then lets go.
//
//   kv-hold-file-win FILE BYTES MILLISECONDS
//
// Exit code 0 when it held the file, 2 when the file never appeared or grew within a minute.
#include <cstdlib>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4)
    return 1;
  const LONGLONG bytes = _wtoi64(argv[2]);
  const DWORD hold = static_cast<DWORD>(_wtoi(argv[3]));
  const DWORD start = GetTickCount();
  HANDLE file = INVALID_HANDLE_VALUE;
  while (file == INVALID_HANDLE_VALUE) {
    if (GetTickCount() - start > 60000)
      return 2;
    file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      Sleep(2);
  }
  LARGE_INTEGER size{};
  while (GetFileSizeEx(file, &size) && size.QuadPart < bytes) {
    if (GetTickCount() - start > 60000)
      return 2;
    Sleep(2);
  }
  Sleep(hold);
  CloseHandle(file);
  return 0;
}
