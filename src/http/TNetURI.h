#pragma once

#include <string>
#include <string_view>

namespace http {

// A URL split into its parts. Nothing is decoded or encoded: percent signs, plus signs and
// spaces stay as written.
class TNetURI {
public:
  TNetURI() = default;
  explicit TNetURI(std::string_view text);

  std::string Protocol;
  std::string Username;
  std::string Password;
  std::string Host;
  std::string Port;
  std::string Path;
  std::string Document;
  std::string Params;
  std::string Bookmark;

  // Fills every part from `text` (backslashes count as slashes).
  void Parse(std::string_view text);
  const std::string& URI() const noexcept { return m_uri; }

  // The path to use when `given` is resolved against `current`: `given` itself when it begins
  // with "/", else the two merged and their dot segments removed as RFC 3986 section 5.2 does.
  static std::string MergePaths(std::string_view current, std::string_view given);
  // RFC 3986 section 5.2.4.
  static std::string RemoveDotSegments(std::string_view path);

private:
  void SplitPathPart(const std::string& rest, bool withScheme);

  std::string m_uri;
};

} // namespace http
