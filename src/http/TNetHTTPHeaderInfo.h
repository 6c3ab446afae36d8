#pragma once

#include "http/TNetAuthentication.h"
#include "http/TNetHeaderList.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class TStream;
}

namespace http {

class TNetCustomHTTP;

enum TNetHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };

// The entity fields both halves of an exchange share, and their header lines (folded at 1024).
class TNetEntityHeaderInfo {
public:
  TNetEntityHeaderInfo();
  virtual ~TNetEntityHeaderInfo() = default;

  std::string CacheControl;
  std::string Connection;
  std::string ContentEncoding;
  std::string ContentLanguage;
  std::string ContentType = "text/html";
  std::string ContentVersion;
  std::string Pragma;
  int ContentLength = -1;
  std::uint32_t ContentRangeStart = 0;
  std::uint32_t ContentRangeEnd = 0;
  platform::TDateTime Date = 0;
  platform::TDateTime Expires = 0;
  platform::TDateTime LastModified = 0;
  TNetHeaderList CustomHeaders;
  TNetHeaderList HeaderLines;

  bool HasContentLength() const noexcept { return ContentLength >= 0; }

  // Reads the fields from HeaderLines.
  virtual void ProcessHeaders() = 0;
  // Writes HeaderLines from the fields.
  virtual void SetHeaders() = 0;
  // The fields' defaults.
  virtual void Clear();
};

class TNetRequestHeaderInfo : public TNetEntityHeaderInfo {
public:
  std::string Accept = "text/html, */*";
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string From;
  std::string Referer;
  std::string UserAgent = "Mozilla/3.0 (compatible; Kolvarin Updater)";
  std::string Username;
  std::string Password;
  bool BasicAuthentication = false;
  std::string Host;
  std::string ProxyConnection;
  std::unique_ptr<TNetAuthentication> Authentication;

  void ProcessHeaders() override;
  void SetHeaders() override;
  void Clear() override;
};

class TNetHTTPRequest : public TNetRequestHeaderInfo {
public:
  std::string Target;
  TNetHTTPMethod Method = hmGet;
};

class TNetResponseHeaderInfo : public TNetEntityHeaderInfo {
public:
  std::string Location;
  std::string Server;
  std::string ProxyConnection;
  TNetHeaderList WWWAuthenticate;
  TNetHeaderList ProxyAuthenticate;

  void ProcessHeaders() override;
  void SetHeaders() override;
  void Clear() override;
};

class TNetHTTPResponse : public TNetResponseHeaderInfo {
public:
  explicit TNetHTTPResponse(TNetCustomHTTP& owner) : m_owner(owner) {}

  std::string StatusLine;
  int StatusCode = -1;
  // Where the body goes; not owned.
  platform::TStream* BodyStream = nullptr;

  // Whether the connection may be kept after this answer, by the client's protocol version.
  bool KeepAlive();
  // The number in a status line: the text after its first space, trimmed, up to the next
  // space, in decimal; -1 without one.
  static int ParseStatusCode(const std::string& statusLine);

private:
  TNetCustomHTTP& m_owner;
};

} // namespace http
