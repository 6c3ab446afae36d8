#include "platform/win32/Unicode.h"

#include <windows.h>

#include <algorithm>

namespace platform::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty())
    return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), narrow.data(),
                      length, nullptr, nullptr);
  return narrow;
}

std::wstring LongPath(std::string_view utf8) {
  const std::wstring path = Widen(utf8);
  if (path.empty() || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\"))
    return path;
  std::wstring full(std::max<std::size_t>(path.size() + MAX_PATH, 512), L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0)
      return path;
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    // Too small: the length asked for counts the terminating zero.
    full.assign(length, L'\0');
  }
  if (full.starts_with(L"\\\\"))
    return L"\\\\?\\UNC\\" + full.substr(2);
  if (full.size() >= 2 && full[1] == L':')
    return L"\\\\?\\" + full;
  return full;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || !text)
    return "error " + std::to_string(code);
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  return Narrow(message);
}

} // namespace platform::win32
