// A DLL planted beside a program under a system DLL's name: when loaded, it leaves
// "planted-loaded.txt" beside itself. It exports nothing, so a program that binds a function
// from it fails after the load.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH)
    return TRUE;
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  while (length > 0 && path[length - 1] != L'\\')
    --length;
  const wchar_t marker[] = L"planted-loaded.txt";
  if (length + sizeof marker / sizeof marker[0] > MAX_PATH)
    return TRUE;
  lstrcpyW(path + length, marker);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  return TRUE;
}
