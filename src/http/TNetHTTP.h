#pragma once

#include "http/TNetCookieManager.h"
#include "http/TNetHTTPHeaderInfo.h"
#include "http/TNetURI.h"
#include "net/NetExceptions.h"
#include "net/TNetTCPConnection.h"

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace platform {
class TStream;
}

namespace http {

enum TNetHTTPProtocolVersion { pv1_0, pv1_1 };
enum TNetHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };
using TNetHTTPOptions = std::set<TNetHTTPOption>;

// An answer that is not what was asked for: the status line as message, its code and body.
class ENetHTTPProtocolException : public net::ENetProtocolReplyError {
public:
  ENetHTTPProtocolException(int replyCode, const std::string& statusLine, std::string errorBody)
      : ENetProtocolReplyError(replyCode, statusLine), m_errorBody(std::move(errorBody)) {}
  const std::string& ErrorBody() const noexcept { return m_errorBody; }

private:
  std::string m_errorBody;
};

class ENetUnknownProtocol : public net::ENetException {
public:
  ENetUnknownProtocol() : ENetException("") {}
};

struct TNetProxyConnectionInfo {
  std::string ProxyServer;
  int ProxyPort = 0;
  std::string ProxyUsername;
  std::string ProxyPassword;
  bool BasicAuthentication = false;
  std::unique_ptr<TNetAuthentication> Authentication;
};

// The request and the response of one exchange, reused by every exchange.
class TNetHTTPProtocol {
public:
  explicit TNetHTTPProtocol(TNetCustomHTTP& owner) : Response(owner) {}
  TNetHTTPRequest Request;
  TNetHTTPResponse Response;
};

// What an answer leads to.
enum class TWhatNext { Finished, Repeat, RetryWithAuthentication, Undecided };

// A blocking HTTP/1.1 client on the TCP client: Get fetches a URL and returns the body of a 2xx
// answer; everything else raises.
class TNetCustomHTTP : public net::TNetTCPClient {
public:
  using TOnRedirectEvent =
      std::function<void(TNetCustomHTTP* sender, std::string& dest, int& numRedirect, bool& handled,
                         TNetHTTPMethod& method)>;
  using TOnSelectAuthorizationEvent =
      std::function<void(TNetCustomHTTP* sender, TNetAuthenticationClass& authenticationClass,
                         const TNetHeaderList& authInfo)>;
  using TOnAuthorizationEvent = std::function<void(
      TNetCustomHTTP* sender, TNetAuthentication* authentication, bool& handled)>;

  TNetCustomHTTP();
  ~TNetCustomHTTP() override;

  // Configuration.
  TNetHTTPProtocolVersion ProtocolVersion = pv1_1;
  bool HandleRedirects = false;
  int RedirectMaximum = 15;
  int AuthRetries = 3;
  bool AllowCookies = true;
  TNetHTTPOptions HTTPOptions{hoForceEncodeParams};
  TNetProxyConnectionInfo ProxyParams;
  // The most body bytes one answer may bring (0: no limit); more raise ENetException.
  std::int64_t MaxBodySize = 0;
  // The most bytes the status line and header lines of one answer may take (0: no limit).
  std::int64_t MaxHeaderBlockSize = 0;
  // The longest a whole Get may take, from the start of the connect to the last byte of the
  // body, in milliseconds (0: no limit); a server that drips its answer is stopped by it.
  int TotalTimeout = 0;

  TOnRedirectEvent OnRedirect;
  TOnSelectAuthorizationEvent OnSelectAuthorization;
  TOnSelectAuthorizationEvent OnSelectProxyAuthorization;
  TOnAuthorizationEvent OnAuthorization;
  TOnAuthorizationEvent OnProxyAuthorization;

  // State.
  TNetURI CurrentURI;
  int RedirectCount = 0;
  int AuthTries = 0;
  int ProxyAuthTries = 0;

  TNetHTTPRequest& Request() noexcept { return m_protocol->Request; }
  TNetHTTPResponse& Response() noexcept { return m_protocol->Response; }
  int ResponseCode() const noexcept { return m_protocol->Response.StatusCode; }

  // The jar; an outside one is not owned and must outlive the client.
  TNetCookieManager* CookieManager() const noexcept { return m_cookieManager; }
  void SetCookieManager(TNetCookieManager* manager);
  bool OwnsCookieManager() const noexcept { return m_ownsCookieManager; }

  void SetHost(const std::string& host) override;
  void SetPort(int port) override;

  // The body of a 2xx answer to a GET of `url`, byte for byte.
  std::string Get(const std::string& url);
  virtual void RunRequest(TNetHTTPMethod method, const std::string& url, platform::TStream& body);

protected:
  void AfterDisconnect() override;
  virtual bool AskAuthorization();
  virtual bool AskProxyAuthorization();
  virtual bool AskRedirect(std::string& location, TNetHTTPMethod& method, int count);

private:
  // One challenge answered, the server's or the proxy's: the scheme chosen from `challenges`
  // (onSelect may change it) unless there already is one, then onAuthorization decides whether
  // to send the request again with it.
  bool AskCredentials(std::unique_ptr<TNetAuthentication>& authentication,
                      const TNetHeaderList& challenges, const std::string& username,
                      const std::string& password, const TOnSelectAuthorizationEvent& onSelect,
                      const TOnAuthorizationEvent& onAuthorization);
  // Whether requests go through ProxyParams' proxy: http ones as absolute URLs, https ones
  // through a tunnel the proxy opens with CONNECT.
  bool UsesProxy() const noexcept;
  void ResolveTarget();
  // A connection to the target (or the proxy) that is open, with TLS up for https, and the
  // request sent on it.
  void EnsureConnection();
  // Asks the proxy, on the fresh connection, for a tunnel to CurrentURI's host and port,
  // answering its challenge as an http request's would be; raises when it refuses.
  void OpenTunnel();
  // The Proxy-Authorization value to send: ProxyParams' scheme once chosen (Basic at once with
  // BasicAuthentication); empty for none.
  std::string ProxyCredentials();
  // Raises when the TLS connection the body came on was closed without close_notify.
  void RaiseIfTruncated() const;
  void SendRequest();
  void ReadHead();
  TWhatNext DecideNextStep();
  void ReadBody();
  // ReceiveToStream for `count` bytes (or until the close), within MaxBodySize.
  void ReceiveBody(platform::TStream& stream, int count, bool untilClosed);
  std::string ReceiveHeadLine(std::int64_t& headBytes);
  [[noreturn]] void RaiseBodyTooLarge() const;
  void DiscardBody(int limitMs);
  [[noreturn]] void RaiseProtocolError();
  void TakeCookies();
  void Disconnect();
  // ReadBody into a stream of its own under a time limit; returns what it read.
  std::string ReadBodyAside(int limitMs);

  std::unique_ptr<TNetHTTPProtocol> m_protocol;
  TNetCookieManager* m_cookieManager = nullptr;
  std::unique_ptr<TNetCookieManager> m_ownedCookieManager;
  bool m_ownsCookieManager = false;
  std::string m_requestedURL;
  // The host:port the open connection's TLS session leads to; empty for a plain connection.
  std::string m_connectionOrigin;
  // The answer to the request sent last has not been read to its end.
  bool m_unreadAnswer = false;
};

class TNetHTTP : public TNetCustomHTTP {};

} // namespace http
