#include "platform/LibrarySearch.h"

namespace platform {

// The dynamic linker never looks in the program's folder unless told to (no RPATH of $ORIGIN is
// set), and libraries loaded later by name (libcurl) come from the system's paths.
void RestrictLibrarySearch() {}

} // namespace platform
