#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace http {

// A cookie as a "Set-cookie" header value sets it.
class TNetNetscapeCookie {
public:
  virtual ~TNetNetscapeCookie() = default;

  std::string CookieName;
  std::string Value;
  std::string Path;
  std::string Domain;
  bool Secure = false;
  // Internet date text; empty when the cookie lasts for the session.
  std::string Expires;
  // Seconds; -1 when none was given.
  int MaxAge = -1;
  std::string Version;
  std::string Comment;
  // Order of creation, for the order of a request's cookies.
  long long CreationIndex = 0;

  const std::string& CookieText() const noexcept { return m_cookieText; }
  // Parses a header value into the cookie; the same text again changes nothing.
  void SetCookieText(std::string_view text);
  // Takes over every field of `other`.
  virtual void Assign(const TNetNetscapeCookie& other);

  // The value's parts after the first, with upper-cased attribute names ("NAME=value" or
  // "NAME"), as parsing found them.
  const std::vector<std::string>& Attributes() const noexcept { return m_attributes; }
  // The value of attribute `name` (upper case), or nothing when absent.
  std::optional<std::string> Attribute(std::string_view name) const;
  bool HasFlag(std::string_view name) const;

protected:
  virtual void LoadProperties();

private:
  std::string m_cookieText;
  std::vector<std::string> m_attributes;
};

class TNetCookieRFC2109 : public TNetNetscapeCookie {};

// A cookie as a "Set-cookie2" header value sets it.
class TNetCookieRFC2965 : public TNetCookieRFC2109 {
public:
  std::string CommentURL;
  bool Discard = false;
  std::vector<int> PortList;

  void Assign(const TNetNetscapeCookie& other) override;

protected:
  void LoadProperties() override;
};

} // namespace http
