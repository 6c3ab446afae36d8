#include "platform/SystemProxy.h"

#include <cstdlib>

namespace platform {

namespace {

// The first of the variables that is set and not empty.
std::string_view FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value && *value)
      return value;
  }
  return {};
}

} // namespace

// As curl reads the environment: "http_proxy" only in lower case (a web server's CGI sets
// HTTP_PROXY from a request header), the others in either case, all_proxy for a scheme without
// a variable of its own, and a port of 1080 when the address has none.
std::optional<ProxySetting> SystemProxyFor(const std::string& url) {
  const std::optional<ProxyTarget> target = ProxyTargetOf(url);
  if (!target)
    return std::nullopt;
  if (NoProxyListMatches(target->host, FirstSet({"no_proxy", "NO_PROXY"})))
    return std::nullopt;
  std::string_view address;
  if (target->scheme == "http")
    address = FirstSet({"http_proxy"});
  else if (target->scheme == "https")
    address = FirstSet({"https_proxy", "HTTPS_PROXY"});
  if (address.empty())
    address = FirstSet({"all_proxy", "ALL_PROXY"});
  if (address.empty())
    return std::nullopt;
  return ParseProxyAddress(address, 1080);
}

} // namespace platform
