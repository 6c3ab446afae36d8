#pragma once

#include "http/TNetCookie.h"

#include <functional>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace http {

// The cookies of a jar with their index by domain and, within a domain, by name (both looked
// up ignoring case), behind a multi-reader, single-writer lock.
class TNetCookies {
public:
  struct DomainEntry {
    std::string domain;
    std::vector<TNetNetscapeCookie*> cookies;
  };

  // Stores `cookie` under its domain; a stored cookie of the same name takes over its content
  // and the new one is dropped. Returns the stored cookie.
  TNetNetscapeCookie* Store(std::unique_ptr<TNetNetscapeCookie> cookie);
  // Removes every cookie whose expiry lies before `now` (local time).
  void RemoveExpired(double now);

  int Count() const;
  // A copy of the index, taken under the read lock.
  std::vector<DomainEntry> Index() const;
  // Calls `visit` for every cookie under the read lock.
  void ForEach(const std::function<void(const TNetNetscapeCookie&)>& visit) const;

private:
  mutable std::shared_mutex m_lock;
  std::vector<std::unique_ptr<TNetNetscapeCookie>> m_cookies;
  std::vector<DomainEntry> m_index;
  long long m_created = 0;
};

// The cookie jar of the HTTP client: admits the cookies servers set and gives the cookies of a
// later request.
class TNetCookieManager {
public:
  using TOnNewCookieEvent =
      std::function<void(TNetCookieManager* sender, TNetNetscapeCookie* cookie, bool& accept)>;

  ~TNetCookieManager();

  TOnNewCookieEvent OnNewCookie;

  // Parses a "Set-cookie" (AddCookie) or "Set-cookie2" (AddCookie2) value and admits it for
  // the server host `host`. A cookie the host may not set, or that OnNewCookie rejects, is
  // dropped silently.
  void AddCookie(std::string_view value, const std::string& host);
  void AddCookie2(std::string_view value, const std::string& host);

  // The "Cookie" header value for a request (empty when none applies), after removing the
  // expired cookies: cookies whose domain and path match (RFC 6265 sections 5.1.3 and 5.1.4),
  // secure ones only over https; longer paths first, then older ones first.
  std::string CookiesForRequest(const std::string& host, const std::string& path, bool secure);

  // The admission test: may server host `host` set a cookie for `domain`?
  static bool IsValidDomain(const std::string& domain, const std::string& host);

  TNetCookies& CookieCollection() noexcept { return m_cookies; }

private:
  void Admit(std::unique_ptr<TNetNetscapeCookie> cookie, const std::string& host);

  TNetCookies m_cookies;
};

} // namespace http
