#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Text is UTF-8 inside the program and UTF-16 at every Win32 call that takes text. Bytes that
// are not valid UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path as Win32 file calls take it past the 260-character limit: made absolute against the
// current folder, its forward slashes turned into backslashes and "." and ".." resolved (the
// long form turns all of that off), then "\\?\C:\..." for a drive path and
// "\\?\UNC\server\share\..." for a network one. A path already in a "\\?\" or "\\.\"
// form is kept as it is.
std::wstring LongPath(std::string_view utf8);

// The system's text for an error code (GetLastError, WSAGetLastError), without the line end.
std::string SystemErrorText(unsigned long code);

} // namespace platform::win32
