// A stand-in for the player: a window of class "Kolvarin" that, by its argument, closes on
// WM_CLOSE ("closes"), ignores it ("ignores") or stops answering messages ("hangs").
#include "PlayerStandIn.h"

#include <cwchar>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  return standin::ShowPlayerWindow(instance, std::wcsstr(commandLine, L"ignores") != nullptr,
                                   std::wcsstr(commandLine, L"hangs") != nullptr);
}
