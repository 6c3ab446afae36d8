#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Advice to the system's virtual memory about a range of a process's own pages; a system that
// takes no such advice ignores it.

// The range may be backed by huge pages.
void AdviseHugePages(std::uintptr_t first, std::size_t length);
// The range is about to be written: its pages are committed now, in one go, rather than one
// fault at a time.
void PopulateForWriting(std::uintptr_t first, std::size_t length);

} // namespace platform
