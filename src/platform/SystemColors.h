#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The user's current value of a system colour (the Windows index: 5 window, 8 window text,
// 13 highlight, 15 button face, 16 button shadow, 17 grey text, 20 button highlight, 21 dark
// shadow, 26 hot light) as a pixel 0xFFRRGGBB; nothing when the platform cannot tell (no
// application yet, or an index it has no counterpart for).
std::optional<std::uint32_t> SystemColor(int index);

} // namespace platform
