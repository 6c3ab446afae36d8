#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Text is UTF-8 inside the program and UTF-16 at every Win32 call that takes text. Bytes that
// are not valid UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's text for an error code (GetLastError, WSAGetLastError), without the line end.
std::string SystemErrorText(unsigned long code);

} // namespace platform::win32
