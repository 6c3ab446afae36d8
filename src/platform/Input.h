#pragma once

// The keys, buttons, modifier states and cursor shapes the window hosts report and the controls
// take; each host translates its toolkit's or system's codes into these.

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
inline char KeyCharacter(TKey key) {
  const int code = static_cast<int>(key);
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
    return static_cast<char>(code);
  return 0;
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
