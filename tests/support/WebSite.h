#pragma once

// nginx serving a small web site over TLS and over plain http at once, each on a port of its
// own picked at start (suites run side by side), on a loopback address of the tests' private
// network (tls.kolvarin.example, 127.0.0.5, unless told otherwise). The certificate is one of
// those scripts/test makes in $KOLVARIN_TEST_TLS: "server" (good for the test names),
// "other-name", "expired" or "self-signed". From either build (see LinuxPrograms.h).

#include "LinuxPrograms.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct WebRedirect {
  std::string path; // the exact URL path answered with the redirect
  int status;       // 301, 302, 303, 307 or 308
  // The Location sent, "{https}" and "{http}" in it standing for this site's two origins
  // ("https://tls.kolvarin.example:PORT"); a relative value is sent as it is.
  std::string location;
};

struct WebSiteOptions {
  std::map<std::string, std::string> files = {}; // URL path → the bytes served there
  std::vector<WebRedirect> redirects = {};
  std::string certificate = "server";
  std::string address = "127.0.0.5";
  std::string serverName = "tls.kolvarin.example"; // the name in the site's URLs
  std::string rate = "0";                          // nginx's limit_rate: "0" none, "100k"
};

class WebSite {
public:
  // Raises std::runtime_error, with nginx's own words, when the site does not start.
  explicit WebSite(WebSiteOptions options);
  ~WebSite();
  WebSite(const WebSite&) = delete;
  WebSite& operator=(const WebSite&) = delete;

  std::uint16_t HttpsPort() const { return m_httpsPort; }
  std::uint16_t HttpPort() const { return m_httpPort; }
  // "https://NAME:PORT" + path, and the same for http.
  std::string HttpsURL(const std::string& path) const;
  std::string HttpURL(const std::string& path) const;
  // One line per request so far: "SCHEME METHOD PATH STATUS", e.g. "https GET /a.exe 200".
  std::vector<std::string> AccessLog() const;
  // The lines logged after the first `seen`; `seen` becomes the count of all lines.
  std::vector<std::string> AccessLogSince(std::size_t& seen) const;

private:
  void Start();
  std::string Origins(std::string location) const;

  WebSiteOptions m_options;
  LinuxFolder m_folder;
  std::uint16_t m_httpsPort = 0;
  std::uint16_t m_httpPort = 0;
  bool m_started = false;
};

// The lines of a file (none for a missing one).
std::vector<std::string> ReadLines(const std::filesystem::path& path);

// A port of `address` nobody listens on at the moment: for a server started next.
std::uint16_t FreePort(const std::string& address);

} // namespace testsupport
