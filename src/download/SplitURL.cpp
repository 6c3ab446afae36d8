#include "download/SplitURL.h"

#include "platform/Text.h"

namespace download {

SplitResult SplitURL(const std::string& url) {
  std::string rest = url;
  bool secure = false;
  if (platform::StartsText("http://", rest)) {
    rest.erase(0, 7);
  } else if (platform::StartsText("https://", rest)) {
    rest.erase(0, 8);
    secure = true;
  }
  const std::size_t slash = rest.find('/');
  if (slash == std::string::npos)
    return {"", rest, secure};
  return {rest.substr(0, slash), rest.substr(slash), secure};
}

} // namespace download
