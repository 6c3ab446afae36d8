#include "platform/SystemColors.h"

#include <windows.h>

namespace platform {

std::optional<std::uint32_t> SystemColor(int index) {
  // GetSysColorBrush answers null for an index the system does not have.
  if (index < 0 || !GetSysColorBrush(index))
    return std::nullopt;
  const COLORREF color = GetSysColor(index);
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

} // namespace platform
