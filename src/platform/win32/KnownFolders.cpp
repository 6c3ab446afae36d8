#include "platform/UserFolders.h"

#include "platform/win32/Unicode.h"

#include <windows.h>

namespace platform {

std::string LocalDataFolder() {
  wchar_t folder[32768];
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, 32768);
  if (length == 0 || length >= 32768)
    return {};
  return win32::Narrow(std::wstring(folder, length));
}

} // namespace platform
