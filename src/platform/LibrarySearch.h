#pragma once

namespace platform {

// Makes every library this program loads by name, now or later, come from the system's own
// folder only. On Windows the usual search looks in the program's folder first, so a DLL put
// beside the program (a downloaded "bcrypt.dll" in the same folder, say) would run inside it
// and could answer for the system; the program's DLLs are loaded by name on their first use
// (sockets, WinINet, CNG, SChannel), long after the start. Each program calls this first in
// main(); on Windows it has also already run before any static initializer of the program's
// own. Nothing to do on Linux, where libraries come from the system's paths.
void RestrictLibrarySearch();

} // namespace platform
