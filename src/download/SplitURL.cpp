#include "download/SplitURL.h"

#include "platform/Text.h"

namespace download {

SplitResult SplitURL(const std::string& url) {
  std::string rest = url;
  if (platform::StartsText("http://", rest))
    rest.erase(0, 7);
  const std::size_t slash = rest.find('/');
  if (slash == std::string::npos)
    return {"", rest};
  return {rest.substr(0, slash), rest.substr(slash)};
}

} // namespace download
