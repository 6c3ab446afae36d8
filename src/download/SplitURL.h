#pragma once

#include <string>

namespace download {

// The server name and object path of a download address, and whether it is an https one.
struct SplitResult {
  std::string server;
  std::string objectPath;
  bool secure = false;
};
// Drops a leading "http://" or "https://" (any case; the latter makes it secure) and cuts at
// the first "/": the server name before it, the object path from it; without a "/" the server
// name is empty and the path is all of it.
SplitResult SplitURL(const std::string& url);

} // namespace download
