#include "platform/Internet.h"

namespace platform::inet {

std::optional<ServerAddress> SplitServer(std::string_view server, std::uint16_t port) {
  const std::size_t colon = server.rfind(':');
  // Only digits after the last colon, and that colon not inside an IPv6 literal's brackets.
  const bool written =
      colon != std::string_view::npos && colon + 1 < server.size() &&
      server.find_first_not_of("0123456789", colon + 1) == std::string_view::npos &&
      server.find(']', colon) == std::string_view::npos;
  if (!written)
    return ServerAddress{std::string(server), port};
  const std::string_view digits = server.substr(colon + 1);
  unsigned long value = 0;
  for (const char digit : digits) {
    value = value * 10 + static_cast<unsigned long>(digit - '0');
    if (value > 65535)
      return std::nullopt;
  }
  if (value == 0)
    return std::nullopt;
  return ServerAddress{std::string(server.substr(0, colon)), static_cast<std::uint16_t>(value)};
}

std::string OriginOf(bool secure, const std::string& host, std::uint16_t port) {
  const std::uint16_t own = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  return std::string(secure ? "https://" : "http://") + host +
         (port == own ? std::string() : ":" + std::to_string(port));
}

} // namespace platform::inet
