#include "platform/Text.h"

#include "platform/Exceptions.h"

#include <charconv>

namespace platform {

namespace {

constexpr bool Blank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

constexpr char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = Upper(c);
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    c = Lower(c);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i]))
      return false;
  }
  return true;
}

bool StartsText(std::string_view prefix, std::string_view text) {
  return text.size() >= prefix.size() && SameText(prefix, text.substr(0, prefix.size()));
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && Blank(text.front()))
    text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && Blank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

std::optional<int> TryStrToInt(std::string_view text) {
  std::string_view digits = TrimLeft(text);
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.front() < '0' || digits.front() > '9')
    return std::nullopt;
  long long value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  value = negative ? -value : value;
  if (value < INT32_MIN || value > INT32_MAX)
    return std::nullopt;
  return static_cast<int>(value);
}

int StrToInt(std::string_view text) {
  if (auto value = TryStrToInt(text))
    return *value;
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

int StrToIntDef(std::string_view text, int fallback) {
  return TryStrToInt(text).value_or(fallback);
}

} // namespace platform
