// Cookies offered by any host: whatever the jar admits names the offering host itself or the
// domain part of it, and is only ever sent back to hosts inside that domain.
#include "http/TNetCookieManager.h"
#include "platform/Exceptions.h"
#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

// The domain (leading dot dropped) is the host or a dot-bounded suffix of it.
bool Covers(std::string domain, const std::string& host) {
  if (!domain.empty() && domain.front() == '.')
    domain.erase(0, 1);
  if (platform::SameText(domain, host))
    return true;
  return host.size() > domain.size() &&
         platform::SameText(host.substr(host.size() - domain.size()), domain) &&
         host[host.size() - domain.size() - 1] == '.';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Three lines: the offering host, the host of a later request, the cookie text.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t first = text.find('\n');
  if (first == std::string::npos)
    return 0;
  const std::size_t second = text.find('\n', first + 1);
  if (second == std::string::npos)
    return 0;
  const std::string host = text.substr(0, first);
  const std::string other = text.substr(first + 1, second - first - 1);
  const std::string value = text.substr(second + 1);
  if (host.empty())
    return 0;

  http::TNetCookieManager jar;
  jar.AddCookie(value, host);
  try {
    jar.AddCookie2(value, host);
  } catch (const platform::EConvertError&) {
  }
  bool any = false;
  jar.CookieCollection().ForEach([&](const http::TNetNetscapeCookie& cookie) {
    Check(Covers(cookie.Domain, host) || platform::SameText(cookie.Domain, host));
    any = true;
  });
  // A host outside every admitted domain gets no cookie.
  bool inside = false;
  jar.CookieCollection().ForEach([&](const http::TNetNetscapeCookie& cookie) {
    inside = inside || Covers(cookie.Domain, other);
  });
  if (any && !inside)
    Check(jar.CookiesForRequest(other, "/", true).empty());
  return 0;
}
