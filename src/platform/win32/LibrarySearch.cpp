#include "platform/LibrarySearch.h"

#include <windows.h>

namespace platform {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

void Restrict() {
  // Windows 8 and later have it; Windows 7 only with its 2011 loader update. Looked up by name,
  // so that a Windows 7 without that update still starts the program.
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto setDefault =
      kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                   reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
             : nullptr;
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
    return;
  // At least the working folder (the player's folder) leaves the search.
  SetDllDirectoryW(L"");
}

// Runs before the program's other static initializers, so that none of them can load a DLL
// from the program's folder first. The program's main() calls RestrictLibrarySearch as well,
// which also makes the linker keep this file.
struct RestrictAtStart {
  RestrictAtStart() { Restrict(); }
};
__attribute__((init_priority(101))) const RestrictAtStart restrictAtStart;

} // namespace

void RestrictLibrarySearch() {
  Restrict();
}

} // namespace platform
