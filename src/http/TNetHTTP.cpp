#include "http/TNetHTTP.h"

#include "net/TNetIOHandlerTLS.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/Text.h"

#include <climits>
#include <cstdint>

namespace http {

namespace {

const char* MethodName(TNetHTTPMethod method) {
  switch (method) {
  case hmHead:
    return "HEAD";
  case hmGet:
    return "GET";
  case hmPost:
    return "POST";
  case hmOptions:
    return "OPTIONS";
  case hmTrace:
    return "TRACE";
  case hmPut:
    return "PUT";
  case hmDelete:
    return "DELETE";
  case hmConnect:
    return "CONNECT";
  }
  return "GET";
}

// A chunk-size line's number: hexadecimal before the first space; 0 when it does not parse.
// A number too large for a 32-bit signed size raises instead of ending the body as if it were
// the last chunk.
int ChunkSize(const std::string& line) {
  const std::string size = line.substr(0, line.find(' '));
  if (size.empty())
    return 0;
  if (size.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return 0;
  std::uint64_t value = 0;
  for (char c : size) {
    const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > static_cast<std::uint64_t>(INT_MAX))
      throw net::ENetException("Chunk size " + size + " is too large");
  }
  return static_cast<int>(value);
}

// A URL's port as a number; one that is no number or does not fit a TCP port raises
// EConvertError, as the socket would otherwise connect to its low 16 bits.
int PortNumber(const std::string& text) {
  const int port = platform::StrToInt(text);
  if (port < 0 || port > 65535)
    throw platform::EConvertError("'" + text + "' is not a valid integer value");
  return port;
}

// Puts a value back when the scope ends, however it ends.
template <typename T> class Restore {
public:
  Restore(T& place, T value) : m_place(place), m_saved(place) { m_place = value; }
  ~Restore() { m_place = m_saved; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

private:
  T& m_place;
  T m_saved;
};

} // namespace

TNetCustomHTTP::TNetCustomHTTP() : m_protocol(std::make_unique<TNetHTTPProtocol>(*this)) {
  SetPort(80);
}

TNetCustomHTTP::~TNetCustomHTTP() {
  Response().BodyStream = nullptr;
}

void TNetCustomHTTP::SetHost(const std::string& host) {
  TNetTCPClient::SetHost(host);
  CurrentURI.Host = host;
}

void TNetCustomHTTP::SetPort(int port) {
  TNetTCPClient::SetPort(port);
  CurrentURI.Port = std::to_string(port);
}

void TNetCustomHTTP::SetCookieManager(TNetCookieManager* manager) {
  if (manager == m_cookieManager)
    return;
  m_ownedCookieManager.reset();
  m_ownsCookieManager = false;
  m_cookieManager = manager;
}

void TNetCustomHTTP::AfterDisconnect() {
  TNetTCPClient::AfterDisconnect();
  auto& authentication = Request().Authentication;
  if (authentication && authentication->CurrentStep() >= authentication->Steps())
    authentication.reset();
  if (ProxyParams.Authentication)
    ProxyParams.Authentication->Reset();
}

void TNetCustomHTTP::Disconnect() {
  if (IOHandler())
    CloseConnection();
}

std::string TNetCustomHTTP::Get(const std::string& url) {
  platform::TMemoryStream stream;
  RunRequest(hmGet, url, stream);
  return stream.TakeBytes();
}

void TNetCustomHTTP::RunRequest(TNetHTTPMethod method, const std::string& url,
                                platform::TStream& body) {
  const std::int64_t bodyStart = body.Position();
  AuthTries = 0;
  ProxyAuthTries = 0;
  Request().Target = url;
  Request().Method = method;
  m_requestedURL = url;
  Restore<platform::TStream*> bodyStream(Response().BodyStream, &body);
  Deadline deadline;
  if (TotalTimeout > 0)
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TotalTimeout);
  SetDeadline(deadline);
  struct ClearDeadline {
    TNetCustomHTTP& http;
    ~ClearDeadline() { http.SetDeadline(std::nullopt); }
  } clearDeadline{*this};
  try {
    bool finished = false;
    while (!finished) {
      ++RedirectCount;
      ResolveTarget();
      EnsureConnection();
      ReadHead();
      switch (DecideNextStep()) {
      case TWhatNext::Finished:
        finished = true;
        break;
      case TWhatNext::Repeat:
        body.SetPosition(bodyStart);
        body.SetSize(bodyStart);
        AuthTries = 0;
        ProxyAuthTries = 0;
        break;
      case TWhatNext::RetryWithAuthentication:
        --RedirectCount;
        Request().Target = m_requestedURL;
        break;
      case TWhatNext::Undecided:
        throw net::ENetException("Undefined situation");
      }
    }
  } catch (...) {
    // Bytes of the answer left unread would be taken as the next answer on this connection.
    if (m_unreadAnswer || !Response().KeepAlive())
      Disconnect();
    throw;
  }
  if (!Response().KeepAlive())
    Disconnect();
  RedirectCount = 0;
}

void TNetCustomHTTP::ResolveTarget() {
  TNetHTTPRequest& request = Request();
  const TNetURI given(request.Target);
  if (!given.Username.empty()) {
    request.Username = given.Username;
    request.Password = given.Password;
  }
  CurrentURI.Username = request.Username;
  CurrentURI.Password = request.Password;
  CurrentURI.Path = TNetURI::MergePaths(CurrentURI.Path, given.Path);
  CurrentURI.Document = given.Document;
  CurrentURI.Params = given.Params;
  if (!given.Host.empty())
    CurrentURI.Host = given.Host;
  // A URL without a scheme (a relative redirect) stays on the current one: an https page's
  // relative Location must not turn into plain http to the same port.
  if (!given.Protocol.empty())
    CurrentURI.Protocol = given.Protocol;
  else if (CurrentURI.Protocol.empty())
    CurrentURI.Protocol = "http";
  if (!given.Port.empty()) {
    CurrentURI.Port = given.Port;
  } else {
    const int current = platform::StrToIntDef(CurrentURI.Port, 0);
    if (current == 0 || current == 80 || current == 443) {
      if (platform::SameText(CurrentURI.Protocol, "http"))
        CurrentURI.Port = "80";
      else if (platform::SameText(CurrentURI.Protocol, "https"))
        CurrentURI.Port = "443";
      else
        throw ENetUnknownProtocol();
    }
  }
  request.Target = CurrentURI.Path + CurrentURI.Document + CurrentURI.Params;
  request.ContentLength = -1;
  const bool defaultPort = platform::SameText(CurrentURI.Protocol, "https")
                               ? CurrentURI.Port == "443"
                               : CurrentURI.Port == "80";
  request.Host = defaultPort ? CurrentURI.Host : CurrentURI.Host + ":" + CurrentURI.Port;
}

bool TNetCustomHTTP::UsesProxy() const noexcept {
  return !ProxyParams.ProxyServer.empty();
}

void TNetCustomHTTP::EnsureConnection() {
  // Through a proxy the connection goes to the proxy; the URL's host and port stay in
  // CurrentURI, which the client's own host setters would overwrite.
  const bool proxied = UsesProxy();
  const bool secure = platform::SameText(CurrentURI.Protocol, "HTTPS");
  // Only a TLS handler in the connection's slot can speak https.
  auto* tls = dynamic_cast<net::TNetIOHandlerTLS*>(IOHandler());
  if (secure && !tls)
    throw net::ENetIOHandlerPropInvalid();
  const std::string host = proxied ? ProxyParams.ProxyServer : CurrentURI.Host;
  const int port = proxied ? (ProxyParams.ProxyPort > 0 ? ProxyParams.ProxyPort : 80)
                           : PortNumber(CurrentURI.Port);
  // Over TLS (and through a proxy's tunnel) the connection also leads to one origin.
  const std::string origin = secure ? CurrentURI.Host + ":" + CurrentURI.Port : std::string();
  if (!platform::SameText(Host(), host) || Port() != port || origin != m_connectionOrigin) {
    if (IsConnected())
      Disconnect();
    if (proxied) {
      TNetTCPClient::SetHost(host);
      TNetTCPClient::SetPort(port);
    } else {
      SetHost(host);
      SetPort(port);
    }
  }
  if (ProtocolVersion == pv1_0 && Request().Connection.empty())
    Request().Connection = "keep-alive";
  if (!Response().KeepAlive())
    Disconnect();
  if (IsConnected())
    PollPeerClosed(false);
  if (!IsConnected()) {
    m_connectionOrigin.clear();
    EstablishConnection(ReadTimeout());
    if (secure) {
      try {
        if (proxied)
          OpenTunnel();
        tls->StartTLS(CurrentURI.Host, BoundedTimeout(ReadTimeout() == 0 ? -2 : ReadTimeout()));
      } catch (...) {
        Disconnect();
        throw;
      }
    }
    m_connectionOrigin = origin;
  }
  SendRequest();
}

void TNetCustomHTTP::OpenTunnel() {
  const std::string authority = CurrentURI.Host + ":" + CurrentURI.Port;
  while (true) {
    StartSendBatch(-1);
    try {
      SendLine("CONNECT " + authority + " HTTP/1.1");
      SendLine("Host: " + authority);
      if (!Request().UserAgent.empty())
        SendLine("User-Agent: " + Request().UserAgent);
      const std::string credentials = ProxyCredentials();
      if (!credentials.empty())
        SendLine("Proxy-Authorization: " + credentials);
      SendLine("");
    } catch (...) {
      DiscardSendBatch();
      throw;
    }
    FinishSendBatch();
    m_unreadAnswer = true;
    ReadHead();
    const int code = ResponseCode();
    if (code / 100 == 2) {
      // The proxy says nothing more: what follows is the server's, and TLS reads it itself.
      if (InputBuffer().Size() != 0)
        throw net::ENetException("The proxy sent bytes after opening the tunnel");
      m_unreadAnswer = false;
      return;
    }
    if (code != 407 || ProxyAuthTries >= AuthRetries || !AskProxyAuthorization()) {
      if (ProxyParams.Authentication)
        ProxyParams.Authentication->Reset();
      RaiseProtocolError();
    }
    DiscardBody(4000);
    if (!Response().KeepAlive())
      Disconnect();
    if (!IsConnected())
      EstablishConnection(ReadTimeout());
  }
}

std::string TNetCustomHTTP::ProxyCredentials() {
  if (!ProxyParams.Authentication && ProxyParams.BasicAuthentication) {
    ProxyParams.Authentication = std::make_unique<TNetBasicAuthentication>();
    ProxyParams.Authentication->Username = ProxyParams.ProxyUsername;
    ProxyParams.Authentication->Password = ProxyParams.ProxyPassword;
  }
  return ProxyParams.Authentication ? ProxyParams.Authentication->Authentication() : std::string();
}

void TNetCustomHTTP::RaiseIfTruncated() const {
  const auto* tls = dynamic_cast<const net::TNetIOHandlerTLS*>(IOHandler());
  if (tls && tls->Truncated())
    throw net::ENetTLSError(
        platform::tls::Failure::Truncated,
        std::string("TLS: ") + platform::tls::FailureText(platform::tls::Failure::Truncated));
}

void TNetCustomHTTP::SendRequest() {
  m_unreadAnswer = true;
  TNetHTTPRequest& request = Request();
  request.SetHeaders();
  if (m_cookieManager) {
    const std::string cookies =
        m_cookieManager->CookiesForRequest(CurrentURI.Host, CurrentURI.Path + CurrentURI.Document,
                                           platform::SameText(CurrentURI.Protocol, "https"));
    if (!cookies.empty())
      request.HeaderLines.SetValue("Cookie", cookies);
  }
  // A proxy is asked for the whole URL, with its own credentials once it has asked for them
  // (or at once, with BasicAuthentication); without a proxy no Proxy-* header is written.
  // An https request goes through the proxy's tunnel, where the proxy reads nothing.
  std::string target = request.Target;
  if (UsesProxy() && !platform::SameText(CurrentURI.Protocol, "https")) {
    target = "http://" + request.Host + request.Target;
    const std::string credentials = ProxyCredentials();
    if (!credentials.empty())
      request.HeaderLines.SetValue("Proxy-Authorization", credentials);
  }
  StartSendBatch(-1);
  try {
    SendLine(std::string(MethodName(request.Method)) + " " + target + " HTTP/" +
             (ProtocolVersion == pv1_0 ? "1.0" : "1.1"));
    for (const std::string& line : request.HeaderLines.Lines()) {
      if (!line.empty())
        SendLine(line);
    }
    SendLine("");
  } catch (...) {
    DiscardSendBatch();
    throw;
  }
  FinishSendBatch();
}

std::string TNetCustomHTTP::ReceiveHeadLine(std::int64_t& headBytes) {
  std::string line = ReceiveLine();
  headBytes += static_cast<std::int64_t>(line.size()) + 2;
  if (MaxHeaderBlockSize > 0 && headBytes > MaxHeaderBlockSize)
    throw net::ENetException("Response header block exceeds the limit of " +
                             std::to_string(MaxHeaderBlockSize) + " bytes");
  return line;
}

void TNetCustomHTTP::ReadHead() {
  TNetHTTPResponse& response = Response();
  std::int64_t headBytes = 0;
  do {
    response.StatusLine = ReceiveHeadLine(headBytes);
    response.HeaderLines.Clear();
    std::string line = ReceiveHeadLine(headBytes);
    try {
      while (!line.empty()) {
        response.HeaderLines.Add(std::move(line));
        line = ReceiveHeadLine(headBytes);
      }
    } catch (const net::ENetConnClosedGracefully&) {
      // A close inside the header block ends the block.
      Disconnect();
    }
    response.ProcessHeaders();
    TakeCookies();
    response.StatusCode = TNetHTTPResponse::ParseStatusCode(response.StatusLine);
  } while (response.StatusCode == 100);
}

TWhatNext TNetCustomHTTP::DecideNextStep() {
  TNetHTTPResponse& response = Response();
  const int code = response.StatusCode;
  const int codeClass = code / 100;

  if ((codeClass == 3 && code != 304) || !response.Location.empty()) {
    std::string location = response.Location;
    TNetHTTPMethod method = Request().Method;
    TWhatNext outcome = TWhatNext::Finished;
    if (HandleRedirects && RedirectCount < RedirectMaximum) {
      if (!AskRedirect(location, method, RedirectCount))
        RaiseProtocolError();
      Request().Target = location;
      Request().Method = method;
      outcome = TWhatNext::Repeat;
    } else {
      if (!AskRedirect(location, method, RedirectCount))
        RaiseProtocolError();
      response.Location = location;
    }
    if (IsConnected())
      DiscardBody(4000);
    return outcome;
  }

  if (codeClass == 2) {
    if (!IsConnected())
      return TWhatNext::Undecided;
    if (code != 204)
      ReadBody();
    return TWhatNext::Finished;
  }

  if (code == 401) {
    if (AuthTries >= AuthRetries || !AskAuthorization()) {
      if (Request().Authentication)
        Request().Authentication->Reset();
      RaiseProtocolError();
    }
  } else if (code == 407) {
    if (ProxyAuthTries >= AuthRetries || !AskProxyAuthorization()) {
      if (ProxyParams.Authentication)
        ProxyParams.Authentication->Reset();
      RaiseProtocolError();
    }
  } else {
    RaiseProtocolError();
  }
  if (!IsConnected())
    return TWhatNext::Repeat;
  if (HTTPOptions.contains(hoInProcessAuth)) {
    DiscardBody(4000);
    return TWhatNext::RetryWithAuthentication;
  }
  if (code != 204)
    ReadBody();
  return TWhatNext::Finished;
}

void TNetCustomHTTP::ReadBody() {
  TNetHTTPResponse& response = Response();
  platform::TStream* stream = response.BodyStream;
  if (!stream)
    return;
  const std::int64_t start = stream->Position();
  if (response.ContentLength > 0) {
    try {
      ReceiveBody(*stream, response.ContentLength, false);
    } catch (const net::ENetConnClosedGracefully&) {
      // A body the peer cut short is returned as far as it arrived, unless it came over TLS
      // and the close itself may have been an attacker's.
      RaiseIfTruncated();
      ReceiveBufferedToStream(*stream);
    }
  } else if (response.HeaderLines.ValueOf("Transfer-Encoding").find("chunked") !=
             std::string::npos) {
    while (true) {
      const int size = ChunkSize(ReceiveLine());
      if (size <= 0)
        break;
      if (MaxBodySize > 0 && stream->Position() - start + size > MaxBodySize)
        RaiseBodyTooLarge();
      ReceiveToStream(*stream, size, false);
      ReceiveLine();
    }
    ReceiveLine();
  } else if (!response.HasContentLength()) {
    ReceiveBody(*stream, -1, true);
    RaiseIfTruncated();
  }
  m_unreadAnswer = false;
}

void TNetCustomHTTP::RaiseBodyTooLarge() const {
  throw net::ENetException("Response body exceeds the limit of " + std::to_string(MaxBodySize) +
                           " bytes");
}

void TNetCustomHTTP::ReceiveBody(platform::TStream& stream, int count, bool untilClosed) {
  if (MaxBodySize <= 0) {
    ReceiveToStream(stream, count, untilClosed);
    return;
  }
  if (!untilClosed) {
    if (count < 0 || count > MaxBodySize)
      RaiseBodyTooLarge();
    ReceiveToStream(stream, count, false);
    return;
  }
  // Until the close, a piece at a time, so that an endless body stops at the limit.
  const std::int64_t start = stream.Position();
  while (IsConnected()) {
    FillInputBuffer(false, -1, true);
    ReceiveBufferedToStream(stream);
    if (stream.Position() - start > MaxBodySize)
      RaiseBodyTooLarge();
  }
  ReceiveBufferedToStream(stream);
  if (stream.Position() - start > MaxBodySize)
    RaiseBodyTooLarge();
}

std::string TNetCustomHTTP::ReadBodyAside(int limitMs) {
  // The caller's stream and time-out are put back however the read ends.
  struct Aside {
    TNetCustomHTTP& http;
    platform::TStream* stream;
    int timeout;
    ~Aside() {
      http.Response().BodyStream = stream;
      http.SetReadTimeout(timeout);
    }
  } aside{*this, Response().BodyStream, ReadTimeout()};
  platform::TMemoryStream text;
  Response().BodyStream = &text;
  SetReadTimeout(limitMs);
  ReadBody();
  return text.TakeBytes();
}

void TNetCustomHTTP::DiscardBody(int limitMs) {
  try {
    ReadBodyAside(limitMs);
  } catch (...) {
    // What is left of a body nobody reads does not matter, but it must not stay on the
    // connection to be read as the next answer.
    Disconnect();
  }
}

void TNetCustomHTTP::RaiseProtocolError() {
  std::string errorBody = ReadBodyAside(2000);
  throw ENetHTTPProtocolException(Response().StatusCode, Response().StatusLine,
                                  std::move(errorBody));
}

bool TNetCustomHTTP::AskRedirect(std::string& location, TNetHTTPMethod& method, int count) {
  bool handled = HandleRedirects;
  if (OnRedirect)
    OnRedirect(this, location, count, handled, method);
  return handled;
}

namespace {

// The first challenge whose scheme (the text before the first space) is registered.
TNetAuthenticationClass ChooseScheme(const TNetHeaderList& challenges) {
  for (const std::string& challenge : challenges.Lines()) {
    if (TNetAuthenticationClass found = FindAuthClass(challenge.substr(0, challenge.find(' '))))
      return found;
  }
  return {};
}

} // namespace

bool TNetCustomHTTP::AskAuthorization() {
  ++AuthTries;
  TNetHTTPRequest& request = Request();
  return AskCredentials(request.Authentication, Response().WWWAuthenticate, request.Username,
                        request.Password, OnSelectAuthorization, OnAuthorization);
}

bool TNetCustomHTTP::AskProxyAuthorization() {
  ++ProxyAuthTries;
  return AskCredentials(ProxyParams.Authentication, Response().ProxyAuthenticate,
                        ProxyParams.ProxyUsername, ProxyParams.ProxyPassword,
                        OnSelectProxyAuthorization, OnProxyAuthorization);
}

bool TNetCustomHTTP::AskCredentials(std::unique_ptr<TNetAuthentication>& authentication,
                                    const TNetHeaderList& challenges, const std::string& username,
                                    const std::string& password,
                                    const TOnSelectAuthorizationEvent& onSelect,
                                    const TOnAuthorizationEvent& onAuthorization) {
  if (!authentication) {
    TNetAuthenticationClass chosen = ChooseScheme(challenges);
    if (!chosen)
      return false;
    if (onSelect)
      onSelect(this, chosen, challenges);
    if (!chosen)
      return false;
    authentication = chosen();
    authentication->Username = username;
    authentication->Password = password;
  }
  bool handled = false;
  if (onAuthorization)
    onAuthorization(this, authentication.get(), handled);
  return handled;
}

void TNetCustomHTTP::TakeCookies() {
  if (!m_cookieManager && AllowCookies) {
    m_ownedCookieManager = std::make_unique<TNetCookieManager>();
    m_cookieManager = m_ownedCookieManager.get();
    m_ownsCookieManager = true;
  }
  if (!m_cookieManager)
    return;
  std::vector<std::string> values;
  Response().HeaderLines.CollectValues("Set-cookie", &values);
  for (const std::string& value : values)
    m_cookieManager->AddCookie(value, CurrentURI.Host);
  values.clear();
  Response().HeaderLines.CollectValues("Set-cookie2", &values);
  for (const std::string& value : values)
    m_cookieManager->AddCookie2(value, CurrentURI.Host);
}

} // namespace http
