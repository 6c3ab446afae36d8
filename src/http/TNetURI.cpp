#include "http/TNetURI.h"

#include <algorithm>

namespace http {

TNetURI::TNetURI(std::string_view text) {
  if (!text.empty())
    Parse(text);
}

void TNetURI::Parse(std::string_view text) {
  std::string uri(text);
  std::replace(uri.begin(), uri.end(), '\\', '/');
  Protocol.clear();
  Username.clear();
  Password.clear();
  Host.clear();
  Port.clear();
  Path.clear();
  Document.clear();
  Params.clear();
  Bookmark.clear();
  m_uri = uri;

  const std::size_t scheme = uri.find("://");
  if (scheme == std::string::npos) {
    SplitPathPart(uri, false);
  } else {
    Protocol = uri.substr(0, scheme);
    std::string rest = uri.substr(scheme + 3);
    std::string authority;
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
      authority = rest;
      rest.clear();
    } else {
      authority = rest.substr(0, slash);
      rest.erase(0, slash + 1);
    }
    const std::size_t at = authority.find('@');
    if (at != std::string::npos) {
      const std::string userInfo = authority.substr(0, at);
      const std::size_t colon = userInfo.find(':');
      Username = userInfo.substr(0, colon);
      if (colon != std::string::npos)
        Password = userInfo.substr(colon + 1);
      if (Username.empty())
        Password.clear();
      authority.erase(0, at + 1);
    }
    const std::size_t colon = authority.find(':');
    Host = authority.substr(0, colon);
    if (colon != std::string::npos)
      Port = authority.substr(colon + 1);
    SplitPathPart(rest, true);
    const std::size_t hash = Document.find('#');
    if (hash != std::string::npos) {
      Bookmark = Document.substr(hash + 1);
      Document.erase(hash);
    }
  }
  if (Bookmark.empty()) {
    const std::size_t hash = Params.find('#');
    if (hash != std::string::npos) {
      Bookmark = Params.substr(hash + 1);
      Params.erase(hash);
    }
  }
}

void TNetURI::SplitPathPart(const std::string& rest, bool withScheme) {
  // Q: the first "?", or without one the first "="; P: the count of characters up to the last
  // "/" at or before Q (anywhere without Q).
  std::size_t q = rest.find('?');
  if (q == std::string::npos)
    q = rest.find('=');
  const std::size_t lastSlash = rest.rfind('/', q);
  const std::size_t p = lastSlash == std::string::npos ? 0 : lastSlash + 1;
  Path = (withScheme ? "/" : "") + rest.substr(0, p);
  std::string document = q == std::string::npos ? rest : rest.substr(0, q);
  if (q != std::string::npos)
    Params = rest.substr(q);
  Document = document.substr(std::min(p, document.size()));
}

std::string TNetURI::RemoveDotSegments(std::string_view input) {
  std::string in(input);
  std::string out;
  while (!in.empty()) {
    if (in.starts_with("../"))
      in.erase(0, 3);
    else if (in.starts_with("./"))
      in.erase(0, 2);
    else if (in.starts_with("/./"))
      in.erase(0, 2);
    else if (in == "/.")
      in = "/";
    else if (in.starts_with("/../") || in == "/..") {
      in = in.size() == 3 ? "/" : in.substr(3);
      const std::size_t last = out.rfind('/');
      out.erase(last == std::string::npos ? 0 : last);
    } else if (in == "." || in == "..")
      in.clear();
    else {
      const std::size_t next = in.find('/', in.front() == '/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::string::npos ? in.size() : next);
    }
  }
  return out;
}

std::string TNetURI::MergePaths(std::string_view current, std::string_view given) {
  if (given.starts_with('/'))
    return std::string(given);
  const std::size_t slash = current.rfind('/');
  std::string base =
      slash == std::string::npos ? std::string("/") : std::string(current.substr(0, slash + 1));
  if (!base.starts_with('/'))
    base.insert(0, "/");
  return RemoveDotSegments(base + std::string(given));
}

} // namespace http
