#include "http/TNetCookieManager.h"

#include "http/InternetDate.h"
#include "platform/DateTime.h"
#include "platform/Text.h"

#include <algorithm>
#include <mutex>

namespace http {

namespace {

// Four dot-separated decimal fields, each 0 to 255.
bool IsIPv4(std::string_view text) {
  int fields = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find('.', start);
    const std::string_view field =
        text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (field.empty() || field.size() > 3 ||
        !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        platform::StrToInt(field) > 255)
      return false;
    ++fields;
    if (dot == std::string_view::npos)
      break;
    start = dot + 1;
  }
  return fields == 4;
}

// The host's text from its first "." on; all of it without one.
std::string_view DomainPart(std::string_view host) {
  const std::size_t dot = host.find('.');
  return dot == std::string_view::npos ? host : host.substr(dot);
}

// RFC 6265 section 5.1.3.
bool DomainMatches(std::string_view host, std::string_view domain) {
  if (!domain.empty() && domain.front() == '.')
    domain.remove_prefix(1);
  if (platform::SameText(host, domain))
    return true;
  return !IsIPv4(host) && host.size() > domain.size() + 1 &&
         platform::SameText(host.substr(host.size() - domain.size()), domain) &&
         host[host.size() - domain.size() - 1] == '.';
}

// RFC 6265 section 5.1.4; an empty cookie path counts as "/".
bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (cookiePath.empty())
    cookiePath = "/";
  if (requestPath.empty())
    requestPath = "/";
  if (requestPath == cookiePath)
    return true;
  return requestPath.starts_with(cookiePath) &&
         (cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/');
}

bool Expired(const TNetNetscapeCookie& cookie, double now) {
  if (cookie.Expires.empty())
    return false;
  const double expires = GMTToLocalDateTime(cookie.Expires);
  return expires != 0 && expires < now;
}

} // namespace

TNetNetscapeCookie* TNetCookies::Store(std::unique_ptr<TNetNetscapeCookie> cookie) {
  std::unique_lock lock(m_lock);
  auto entry = std::find_if(m_index.begin(), m_index.end(), [&](const DomainEntry& e) {
    return platform::SameText(e.domain, cookie->Domain);
  });
  if (entry == m_index.end()) {
    m_index.push_back({cookie->Domain, {}});
    entry = std::prev(m_index.end());
  }
  for (TNetNetscapeCookie* stored : entry->cookies) {
    if (platform::SameText(stored->CookieName, cookie->CookieName)) {
      stored->Assign(*cookie);
      return stored;
    }
  }
  cookie->CreationIndex = ++m_created;
  entry->cookies.push_back(cookie.get());
  m_cookies.push_back(std::move(cookie));
  return m_cookies.back().get();
}

void TNetCookies::RemoveExpired(double now) {
  std::unique_lock lock(m_lock);
  for (DomainEntry& entry : m_index) {
    std::erase_if(entry.cookies, [&](TNetNetscapeCookie* c) { return Expired(*c, now); });
  }
  std::erase_if(m_index, [](const DomainEntry& e) { return e.cookies.empty(); });
  std::erase_if(m_cookies, [&](const auto& c) { return Expired(*c, now); });
}

int TNetCookies::Count() const {
  std::shared_lock lock(m_lock);
  return static_cast<int>(m_cookies.size());
}

std::vector<TNetCookies::DomainEntry> TNetCookies::Index() const {
  std::shared_lock lock(m_lock);
  return m_index;
}

void TNetCookies::ForEach(const std::function<void(const TNetNetscapeCookie&)>& visit) const {
  std::shared_lock lock(m_lock);
  for (const auto& cookie : m_cookies)
    visit(*cookie);
}

TNetCookieManager::~TNetCookieManager() {
  m_cookies.RemoveExpired(platform::Now());
}

bool TNetCookieManager::IsValidDomain(const std::string& domain, const std::string& host) {
  if (IsIPv4(host))
    return domain == host;
  if (!host.starts_with('.')) {
    if (!domain.starts_with('.') && !IsIPv4(domain))
      return domain == host;
    return domain == DomainPart(host);
  }
  return platform::SameText(domain, DomainPart(host));
}

void TNetCookieManager::Admit(std::unique_ptr<TNetNetscapeCookie> cookie, const std::string& host) {
  if (cookie->Domain.empty())
    cookie->Domain = host;
  if (!IsValidDomain(cookie->Domain, host))
    return;
  bool accept = true;
  if (OnNewCookie)
    OnNewCookie(this, cookie.get(), accept);
  if (accept)
    m_cookies.Store(std::move(cookie));
}

void TNetCookieManager::AddCookie(std::string_view value, const std::string& host) {
  auto cookie = std::make_unique<TNetCookieRFC2109>();
  cookie->SetCookieText(value);
  Admit(std::move(cookie), host);
}

void TNetCookieManager::AddCookie2(std::string_view value, const std::string& host) {
  auto cookie = std::make_unique<TNetCookieRFC2965>();
  cookie->SetCookieText(value);
  Admit(std::move(cookie), host);
}

std::string TNetCookieManager::CookiesForRequest(const std::string& host, const std::string& path,
                                                 bool secure) {
  m_cookies.RemoveExpired(platform::Now());
  std::vector<const TNetNetscapeCookie*> chosen;
  m_cookies.ForEach([&](const TNetNetscapeCookie& cookie) {
    if (DomainMatches(host, cookie.Domain) && PathMatches(path, cookie.Path) &&
        (!cookie.Secure || secure))
      chosen.push_back(&cookie);
  });
  std::stable_sort(chosen.begin(), chosen.end(), [](const auto* a, const auto* b) {
    const std::size_t la = a->Path.empty() ? 1 : a->Path.size();
    const std::size_t lb = b->Path.empty() ? 1 : b->Path.size();
    return la != lb ? la > lb : a->CreationIndex < b->CreationIndex;
  });
  std::string header;
  for (const TNetNetscapeCookie* cookie : chosen) {
    if (!header.empty())
      header += "; ";
    header += cookie->CookieName + "=" + cookie->Value;
  }
  return header;
}

} // namespace http
