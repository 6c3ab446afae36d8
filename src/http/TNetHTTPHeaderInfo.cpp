#include "http/TNetHTTPHeaderInfo.h"

#include "http/InternetDate.h"
#include "http/TNetHTTP.h"
#include "platform/Text.h"

namespace http {

using platform::Trim;

namespace {

// The text before the first `delimiter` (all of it without one); `text` keeps the rest.
std::string Fetch(std::string& text, char delimiter) {
  const std::size_t at = text.find(delimiter);
  std::string front = text.substr(0, at);
  text.erase(0, at == std::string::npos ? text.size() : at + 1);
  return front;
}

void SetIfNotEmpty(TNetHeaderList& lines, const char* name, const std::string& value) {
  if (!value.empty())
    lines.SetValue(name, value);
}

} // namespace

TNetEntityHeaderInfo::TNetEntityHeaderInfo() {
  HeaderLines.FoldWidth = 1024;
}

void TNetEntityHeaderInfo::Clear() {
  CacheControl.clear();
  Connection.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType = "text/html";
  ContentVersion.clear();
  Pragma.clear();
  ContentLength = -1;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  Date = 0;
  Expires = 0;
  LastModified = 0;
  CustomHeaders.Clear();
  HeaderLines.Clear();
}

void TNetRequestHeaderInfo::Clear() {
  TNetEntityHeaderInfo::Clear();
  Accept = "text/html, */*";
  AcceptCharSet.clear();
  AcceptEncoding.clear();
  AcceptLanguage.clear();
  From.clear();
  Referer.clear();
  UserAgent = "Mozilla/3.0 (compatible; Kolvarin Updater)";
  Username.clear();
  Password.clear();
  BasicAuthentication = false;
  Host.clear();
  ProxyConnection.clear();
  Authentication.reset();
}

void TNetRequestHeaderInfo::ProcessHeaders() {
  Connection = HeaderLines.ValueOf("Connection");
  ContentType = HeaderLines.ValueOf("Content-Type");
  Host = HeaderLines.ValueOf("Host");
  Accept = HeaderLines.ValueOf("Accept");
  UserAgent = HeaderLines.ValueOf("User-Agent");
}

void TNetRequestHeaderInfo::SetHeaders() {
  TNetHeaderList& lines = HeaderLines;
  lines.Clear();
  SetIfNotEmpty(lines, "Connection", Connection);
  SetIfNotEmpty(lines, "Content-Version", ContentVersion);
  SetIfNotEmpty(lines, "Content-Encoding", ContentEncoding);
  SetIfNotEmpty(lines, "Content-Language", ContentLanguage);
  SetIfNotEmpty(lines, "Content-Type", ContentType);
  if (ContentLength >= 0)
    lines.SetValue("Content-Length", std::to_string(ContentLength));
  SetIfNotEmpty(lines, "Cache-control", CacheControl);
  if (Date > 0)
    lines.SetValue("Date", LocalDateTimeToHttpStr(Date));
  if (Expires > 0)
    lines.SetValue("Expires", LocalDateTimeToHttpStr(Expires));
  SetIfNotEmpty(lines, "Pragma", Pragma);
  if (CustomHeaders.Count() > 0)
    lines.SetText(lines.Text() + CustomHeaders.Text());
  SetIfNotEmpty(lines, "Proxy-Connection", ProxyConnection);
  SetIfNotEmpty(lines, "Host", Host);
  SetIfNotEmpty(lines, "Accept", Accept);
  SetIfNotEmpty(lines, "Accept-Charset", AcceptCharSet);
  SetIfNotEmpty(lines, "Accept-Encoding", AcceptEncoding);
  SetIfNotEmpty(lines, "Accept-Language", AcceptLanguage);
  SetIfNotEmpty(lines, "From", From);
  SetIfNotEmpty(lines, "Referer", Referer);
  SetIfNotEmpty(lines, "User-Agent", UserAgent);
  if (LastModified > 0)
    lines.SetValue("If-Modified-Since", LocalDateTimeToHttpStr(LastModified));
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    std::string range = "bytes=" + std::to_string(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0)
      range += std::to_string(ContentRangeEnd);
    lines.SetValue("Range", range);
  }
  if (!Authentication && BasicAuthentication) {
    Authentication = std::make_unique<TNetBasicAuthentication>();
    Authentication->Username = Username;
    Authentication->Password = Password;
  }
  if (Authentication)
    SetIfNotEmpty(lines, "Authorization", Authentication->Authentication());
}

void TNetResponseHeaderInfo::Clear() {
  TNetEntityHeaderInfo::Clear();
  Location.clear();
  Server.clear();
  ProxyConnection.clear();
  WWWAuthenticate.Clear();
  ProxyAuthenticate.Clear();
}

void TNetResponseHeaderInfo::SetHeaders() {
  HeaderLines.Clear();
  SetIfNotEmpty(HeaderLines, "Location", Location);
  SetIfNotEmpty(HeaderLines, "Server", Server);
  SetIfNotEmpty(HeaderLines, "Connection", Connection);
  SetIfNotEmpty(HeaderLines, "Content-Type", ContentType);
  if (ContentLength >= 0)
    HeaderLines.SetValue("Content-Length", std::to_string(ContentLength));
}

void TNetResponseHeaderInfo::ProcessHeaders() {
  const TNetHeaderList& lines = HeaderLines;
  Location = lines.ValueOf("Location");
  Server = lines.ValueOf("Server");
  ProxyConnection = lines.ValueOf("Proxy-Connection");

  if (lines.IndexOfHeader("Content-Range") >= 0) {
    std::string range = lines.ValueOf("Content-Range");
    Fetch(range, ' ');
    ContentRangeStart = static_cast<std::uint32_t>(platform::StrToInt(Fetch(range, '-')));
    ContentRangeEnd = static_cast<std::uint32_t>(platform::StrToInt(Fetch(range, '/')));
  }

  WWWAuthenticate.Clear();
  std::vector<std::string> values;
  lines.CollectValues("WWW-Authenticate", &values);
  for (std::string& value : values)
    WWWAuthenticate.Add(std::move(value));
  ProxyAuthenticate.Clear();
  values.clear();
  lines.CollectValues("Proxy-Authenticate", &values);
  for (std::string& value : values)
    ProxyAuthenticate.Add(std::move(value));

  Connection = lines.ValueOf("Connection");
  ContentVersion = lines.ValueOf("Content-Version");
  ContentEncoding = lines.ValueOf("Content-Encoding");
  ContentLanguage = lines.ValueOf("Content-Language");
  ContentType = lines.ValueOf("Content-Type");
  ContentLength = platform::StrToIntDef(Trim(lines.ValueOf("Content-Length")), -1);
  if (ContentLength < -1)
    ContentLength = -1;

  Date = GMTToLocalDateTime(lines.ValueOf("Date"));
  LastModified = GMTToLocalDateTime(lines.ValueOf("Last-Modified"));
  const std::string expires = lines.ValueOf("Expires");
  const int seconds = platform::StrToIntDef(Trim(expires), -1);
  if (seconds != -1) {
    // A time of day can hold less than a day, and nothing negative.
    Expires = platform::Now() +
              platform::EncodeTime(seconds / 3600, (seconds % 3600) / 60, seconds % 60, 0);
  } else {
    Expires = GMTToLocalDateTime(expires);
  }
  Pragma = lines.ValueOf("Pragma");
}

int TNetHTTPResponse::ParseStatusCode(const std::string& statusLine) {
  std::string rest = statusLine;
  Fetch(rest, ' ');
  rest = std::string(Trim(rest));
  return platform::StrToIntDef(Fetch(rest, ' '), -1);
}

bool TNetHTTPResponse::KeepAlive() {
  m_owner.CheckPeerClosed(false, false);
  if (!m_owner.IsConnected())
    return false;
  const std::string connection(Trim(Connection));
  const std::string proxyConnection(Trim(ProxyConnection));
  if (m_owner.ProtocolVersion == pv1_1)
    return !platform::SameText(connection, "CLOSE") &&
           !platform::SameText(proxyConnection, "CLOSE");
  return platform::SameText(connection, "KEEP-ALIVE") ||
         platform::SameText(proxyConnection, "KEEP-ALIVE");
}

} // namespace http
