#pragma once

// The toolkit's string functions the layers share. Strings are bytes; only ASCII letters change
// case, and "blank" means a space or a control character (any byte up to 0x20).

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// 'a' to 'z' become 'A' to 'Z'; every other byte stays.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
// Equal ignoring ASCII case.
bool SameText(std::string_view a, std::string_view b);
// Whether `text` begins with `prefix`, ignoring ASCII case.
bool StartsText(std::string_view prefix, std::string_view text);

std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);

// A 32-bit integer in decimal (leading blanks and one sign allowed, nothing after the digits),
// or nothing.
std::optional<int> TryStrToInt(std::string_view text);
// As TryStrToInt, raising EConvertError "'<text>' is not a valid integer value" on failure.
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int fallback);

} // namespace platform
