#include "platform/SystemProxy.h"

#include "platform/Internet.h"
#include "platform/Text.h"

#include <vector>

namespace platform {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// The entries of a list separated by any of `separators`, without empty ones.
std::vector<std::string_view> Entries(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> entries;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find_first_of(separators, start);
    if (end == std::string_view::npos)
      end = list.size();
    if (end > start)
      entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// "*" matches any run of characters, anything else itself in any ASCII case.
bool WildcardMatches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && Lower(pattern[p]) == Lower(text[t])) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

} // namespace

std::optional<ProxyTarget> ProxyTargetOf(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string_view::npos)
    return std::nullopt;
  ProxyTarget target;
  target.scheme = LowerCase(url.substr(0, scheme));
  std::string_view authority = url.substr(scheme + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos)
    authority.remove_prefix(at + 1);
  const std::optional<inet::ServerAddress> address = inet::SplitServer(authority, 0);
  if (!address || address->host.empty())
    return std::nullopt;
  target.host = address->host;
  return target;
}

std::optional<ProxySetting> ParseProxyAddress(std::string_view text, std::uint16_t defaultPort) {
  const std::size_t scheme = text.find("://");
  if (scheme != std::string_view::npos) {
    if (!SameText(text.substr(0, scheme), "http"))
      return std::nullopt;
    text.remove_prefix(scheme + 3);
  }
  text = text.substr(0, text.find('/'));
  ProxySetting proxy;
  const std::size_t at = text.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view credentials = text.substr(0, at);
    const std::size_t colon = credentials.find(':');
    proxy.username = PercentDecoded(credentials.substr(0, colon));
    if (colon != std::string_view::npos)
      proxy.password = PercentDecoded(credentials.substr(colon + 1));
    text.remove_prefix(at + 1);
  }
  // A colon left in the host outside an IPv6 literal's brackets is a port that is no number.
  const std::optional<inet::ServerAddress> address = inet::SplitServer(text, defaultPort);
  if (!address || address->host.empty() || address->host.back() == ':' ||
      (address->host.front() != '[' && address->host.find(':') != std::string::npos))
    return std::nullopt;
  proxy.host = address->host;
  proxy.port = address->port;
  return proxy;
}

bool NoProxyListMatches(std::string_view host, std::string_view list) {
  for (std::string_view entry : Entries(list, ", \t")) {
    if (entry == "*")
      return true;
    if (entry.front() == '.')
      entry.remove_prefix(1);
    if (SameText(host, entry))
      return true;
    if (host.size() > entry.size() && host[host.size() - entry.size() - 1] == '.' &&
        SameText(host.substr(host.size() - entry.size()), entry))
      return true;
  }
  return false;
}

bool BypassListMatches(std::string_view host, std::string_view list) {
  for (const std::string_view entry : Entries(list, "; \t")) {
    if (SameText(entry, "<local>")) {
      if (host.find('.') == std::string_view::npos)
        return true;
    } else if (WildcardMatches(entry, host)) {
      return true;
    }
  }
  return false;
}

std::string ProxyServerForScheme(std::string_view setting, std::string_view scheme) {
  const std::vector<std::string_view> entries = Entries(setting, "; \t");
  if (setting.find('=') == std::string_view::npos)
    return entries.empty() ? std::string() : std::string(entries.front());
  for (const std::string_view entry : entries) {
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos && SameText(entry.substr(0, equals), scheme))
      return std::string(entry.substr(equals + 1));
  }
  return {};
}

} // namespace platform
