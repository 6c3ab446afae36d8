#include "WindowFont.h"

bool HaveWindowFont() {
  // Wine and Windows have Tahoma among their own fonts.
  return true;
}
