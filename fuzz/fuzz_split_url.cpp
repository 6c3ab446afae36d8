// Download addresses of any form split into server name and object path: the two parts
// always rebuild the address without its "http://" or "https://" prefix (which sets `secure`),
// and the path is empty or starts with the first "/".
#include "download/SplitURL.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const download::SplitResult parts = download::SplitURL(url);
  std::string rest = url;
  std::string lower = url.substr(0, 8);
  for (char& c : lower)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  bool secure = false;
  if (lower.starts_with("http://")) {
    rest.erase(0, 7);
  } else if (lower == "https://") {
    rest.erase(0, 8);
    secure = true;
  }
  if (parts.secure != secure)
    __builtin_trap();
  const bool hasSlash = rest.find('/') != std::string::npos;
  if (parts.server + parts.objectPath != rest && !(parts.server.empty() && parts.objectPath == rest))
    __builtin_trap();
  if (hasSlash && (parts.objectPath.empty() || parts.objectPath.front() != '/'))
    __builtin_trap();
  if (parts.server.find('/') != std::string::npos)
    __builtin_trap();
  if (!hasSlash && !parts.server.empty())
    __builtin_trap();
  return 0;
}
