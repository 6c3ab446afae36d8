#pragma once

#include <string>

namespace download {

// The server name and object path of a download address.
struct SplitResult {
  std::string server;
  std::string objectPath;
};
// Drops a leading "http://" (any case) and cuts at the first "/": the server name before it,
// the object path from it; without a "/" the server name is empty and the path is all of it.
SplitResult SplitURL(const std::string& url);

} // namespace download
