#include "http/TNetCookie.h"

#include "http/InternetDate.h"
#include "platform/DateTime.h"
#include "platform/Text.h"

namespace http {

using platform::Trim;

namespace {

// The parts of a cookie value: split at every ';' and trimmed; a non-empty rest after the last
// ';' is a part too.
std::vector<std::string> SplitParts(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t semicolon = text.find(';', start);
    if (semicolon == std::string_view::npos) {
      const std::string_view rest = Trim(text.substr(start));
      if (!rest.empty() || parts.empty())
        parts.emplace_back(rest);
      return parts;
    }
    parts.emplace_back(Trim(text.substr(start, semicolon - start)));
    start = semicolon + 1;
  }
}

} // namespace

void TNetNetscapeCookie::SetCookieText(std::string_view text) {
  if (text == m_cookieText)
    return;
  m_cookieText = text;
  const std::vector<std::string> parts = SplitParts(text);
  const std::string& first = parts.front();
  const std::size_t equals = first.find('=');
  if (equals == std::string::npos) {
    CookieName.clear();
    Value.clear();
  } else {
    CookieName = first.substr(0, equals);
    Value = first.substr(equals + 1);
  }
  m_attributes.clear();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    const std::size_t eq = parts[i].find('=');
    if (eq == std::string::npos)
      m_attributes.push_back(platform::UpperCase(parts[i]));
    else
      m_attributes.push_back(platform::UpperCase(parts[i].substr(0, eq)) + parts[i].substr(eq));
  }
  LoadProperties();
}

std::optional<std::string> TNetNetscapeCookie::Attribute(std::string_view name) const {
  for (const std::string& attribute : m_attributes) {
    if (attribute.size() > name.size() && attribute[name.size()] == '=' &&
        std::string_view(attribute).substr(0, name.size()) == name)
      return attribute.substr(name.size() + 1);
  }
  return std::nullopt;
}

bool TNetNetscapeCookie::HasFlag(std::string_view name) const {
  for (const std::string& attribute : m_attributes) {
    if (attribute == name)
      return true;
  }
  return false;
}

void TNetNetscapeCookie::LoadProperties() {
  Path = Attribute("PATH").value_or("");
  if (Path.starts_with('"'))
    Path.erase(0, 1);
  if (Path.ends_with('"'))
    Path.pop_back();
  const std::optional<std::string> expires = Attribute("EXPIRES");
  Expires = expires.value_or("");
  Domain = Attribute("DOMAIN").value_or("");
  Secure = HasFlag("SECURE");
  MaxAge = platform::StrToIntDef(Attribute("MAX-AGE").value_or(""), -1);
  Version = Attribute("VERSION").value_or("");
  Comment = Attribute("COMMENT").value_or("");
  if (!expires && MaxAge >= 0)
    Expires = LocalDateTimeToHttpStr(platform::Now() + MaxAge / platform::SecondsPerDay);
}

void TNetNetscapeCookie::Assign(const TNetNetscapeCookie& other) {
  CookieName = other.CookieName;
  Value = other.Value;
  Path = other.Path;
  Domain = other.Domain;
  Secure = other.Secure;
  Expires = other.Expires;
  MaxAge = other.MaxAge;
  Version = other.Version;
  Comment = other.Comment;
  m_cookieText = other.m_cookieText;
  m_attributes = other.m_attributes;
}

void TNetCookieRFC2965::LoadProperties() {
  TNetNetscapeCookie::LoadProperties();
  CommentURL = Attribute("COMMENTURL").value_or("");
  Discard = HasFlag("DISCARD");
  PortList.clear();
  const std::optional<std::string> port = Attribute("PORT");
  if (!port || port->empty()) {
    PortList.push_back(80);
    return;
  }
  const std::string text = *port;
  if (text.size() < 2 || text.front() != '"' || text.back() != '"')
    return;
  const std::string_view list = std::string_view(text).substr(1, text.size() - 2);
  if (list.empty()) {
    PortList.push_back(80);
    return;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = list.find(',', start);
    PortList.push_back(platform::StrToInt(
        list.substr(start, comma == std::string_view::npos ? comma : comma - start)));
    if (comma == std::string_view::npos)
      break;
    start = comma + 1;
  }
}

void TNetCookieRFC2965::Assign(const TNetNetscapeCookie& other) {
  TNetNetscapeCookie::Assign(other);
  if (const auto* cookie2 = dynamic_cast<const TNetCookieRFC2965*>(&other)) {
    CommentURL = cookie2->CommentURL;
    Discard = cookie2->Discard;
    PortList = cookie2->PortList;
  }
}

} // namespace http
