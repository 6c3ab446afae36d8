#pragma once

// squid as a forward proxy on proxy.kolvarin.example (127.0.0.7) at a port picked at start: plain
// requests asked for by their whole URL and https through CONNECT to any port, for clients on
// the loopback network; with sign-in, only after Basic sign-in with the one user given. Started
// from a configuration of its own in a fresh folder (no cache, logs and pid file there); squid,
// started as root, works as the user "proxy", the only one that scripts/test lets reach the
// origin at 127.0.0.6. From either build (see LinuxPrograms.h).

#include "LinuxPrograms.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ProxyUser {
  std::string name;
  std::string password;
};

class ForwardProxy {
public:
  // Raises std::runtime_error, with squid's own words, when the proxy does not start.
  explicit ForwardProxy(std::optional<ProxyUser> signIn = std::nullopt);
  ~ForwardProxy();
  ForwardProxy(const ForwardProxy&) = delete;
  ForwardProxy& operator=(const ForwardProxy&) = delete;

  std::uint16_t Port() const { return m_port; }
  // "http://127.0.0.7:PORT", with the sign-in's user and password written in when asked
  // ("http://user:password@…", percent-encoded; give one of your own to try a wrong password).
  std::string URL(bool withCredentials = false) const;
  std::string URL(const ProxyUser& user) const;
  // One line per request so far: "METHOD URL STATUS USER" (USER "-" when none signed in), e.g.
  // "CONNECT origin.kolvarin.example:4433 200 -".
  std::vector<std::string> AccessLog() const;
  // Whether `line` is in the log at or after line number `from` (0 the first) within `limit`:
  // squid logs a request when it ends, a tunnel when both sides have closed.
  bool WaitForLine(std::size_t from, const std::string& line,
                   std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

private:
  std::string Command() const;

  std::optional<ProxyUser> m_signIn;
  LinuxFolder m_folder;
  std::uint16_t m_port = 0;
  bool m_started = false;
};

} // namespace testsupport
