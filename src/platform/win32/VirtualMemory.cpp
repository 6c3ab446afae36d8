#include "platform/VirtualMemory.h"

namespace platform {

// Windows commits a string's pages as they are touched and takes no advice here.

void AdviseHugePages(std::uintptr_t, std::size_t) {}

void PopulateForWriting(std::uintptr_t, std::size_t) {}

} // namespace platform
