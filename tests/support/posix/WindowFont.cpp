#include "WindowFont.h"

#include "platform/posix/WindowFonts.h"

bool HaveWindowFont() {
  return platform::RegisterWindowFonts();
}
