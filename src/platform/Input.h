#pragma once

// The keys, buttons, modifier states and cursor shapes the window hosts report and the controls
// take; each host translates its toolkit's or system's codes into these.

#include <cstddef>
#include <string_view>

namespace platform {

// A key of its own: letters are their upper-case character ('A'..'Z'), digits theirs
// ('0'..'9'); keys without a character have codes above them.
enum class TKey : int {
  None = 0,
  Backspace = 8,
  Tab = 9,
  Enter = 13,
  Escape = 27,
  Space = 32,
  Digit0 = '0',
  Digit9 = '9',
  A = 'A',
  Z = 'Z',
  PageUp = 0x100,
  PageDown,
  End,
  Home,
  Left,
  Up,
  Right,
  Down,
  Insert,
  Delete,
  F1,
  F12 = F1 + 11,
};

// The letter or digit of a key, or 0 for other keys.
inline char32_t KeyCharacter(TKey key) {
  const int code = static_cast<int>(key);
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    return static_cast<char32_t>(code);
  return 0;
}

// The code point a UTF-8 text begins with; 0 for an empty text or one that does not begin with
// a whole, shortest sequence.
inline char32_t FirstCodePoint(std::string_view text) {
  if (text.empty())
    return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(0);
  if (lead < 0x80)
    return lead;
  const std::size_t length = lead >= 0xF8   ? 0
                             : lead >= 0xF0 ? 4
                             : lead >= 0xE0 ? 3
                             : lead >= 0xC0 ? 2
                                            : 0;
  if (length == 0 || text.size() < length)
    return 0;
  char32_t point = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80)
      return 0;
    point = (point << 6) | (byte(i) & 0x3F);
  }
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
    return 0;
  return point;
}

// The modifier keys held, as bits.
enum TShiftFlag : unsigned {
  ssShift = 1,
  ssCtrl = 2,
  ssAlt = 4,
};

enum class TMouseButton { Left, Right, Middle };

enum class TCursor { Arrow, HandPoint };

} // namespace platform
