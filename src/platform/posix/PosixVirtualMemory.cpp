#include "platform/VirtualMemory.h"

#include <sys/mman.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace platform {

void AdviseHugePages(std::uintptr_t first, std::size_t length) {
  madvise(reinterpret_cast<void*>(first), length, MADV_HUGEPAGE);
}

void PopulateForWriting(std::uintptr_t first, std::size_t length) {
  // Kernels before 5.14 refuse the advice; the pages then come as they are written.
  madvise(reinterpret_cast<void*>(first), length, MADV_POPULATE_WRITE);
}

} // namespace platform
