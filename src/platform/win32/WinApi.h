#pragma once

// <windows.h> without its colour macros RGB, GetRValue, GetGValue and GetBValue, whose names
// the drawing kit's colour functions (controls/Colors.h) have. A Win32 file that meets the
// drawing kit includes this header in place of <windows.h>, in any order with the kit's.
#include <windows.h>

#undef RGB
#undef GetRValue
#undef GetGValue
#undef GetBValue
