#include "app/VersionClient.h"

#include "http/TNetHTTP.h"
#include "platform/Internet.h"
#include "platform/SystemProxy.h"
#include "platform/Text.h"

namespace app {

void VersionClient(http::TNetHTTP& sget) {
  sget.SetMaxLineAction(net::maException);
  // A limit instead of waiting without end while the window is still hidden.
  sget.SetReadTimeout(VersionCheckReadTimeout);
  // An answer to the version check can be neither endless nor held open for ever.
  sget.MaxBodySize = VersionCheckMaxBody;
  sget.MaxHeaderBlockSize = VersionCheckMaxHeaderBlock;
  sget.TotalTimeout = VersionCheckTotalTimeout;
  sget.AllowCookies = true;
  sget.ProxyParams.BasicAuthentication = false;
  sget.ProxyParams.ProxyPort = 0;
  http::TNetHTTPRequest& request = sget.Request();
  request.ContentLength = -1;
  request.ContentRangeStart = 0;
  request.ContentRangeEnd = 0;
  request.ContentType = "text/html";
  request.Accept = "text/html, */*";
  request.BasicAuthentication = false;
  request.UserAgent = "Mozilla/3.0 (compatible; Kolvarin Updater)";
  sget.HTTPOptions = {http::hoForceEncodeParams};
}

void FollowRedirects(http::TNetHTTP& sget) {
  sget.HandleRedirects = true;
  // One more than the rule allows, so that the last redirect still reaches the hook below and
  // fails there instead of being returned as the answer.
  sget.RedirectMaximum = MaxRedirects + 1;
  sget.OnRedirect = [](http::TNetCustomHTTP* sender, std::string& location, int& count,
                       bool& handled, http::TNetHTTPMethod&) {
    if (count > MaxRedirects)
      throw net::ENetException(std::string(platform::inet::TooManyRedirectsText) +
                               " (the last to " + location + ")");
    // A scheme-relative Location ("//host/path") keeps the request's scheme.
    if (location.starts_with("//"))
      location = sender->CurrentURI.Protocol + ":" + location;
    const http::TNetURI target(location);
    const std::string scheme = target.Protocol.empty() ? sender->CurrentURI.Protocol
                                                       : target.Protocol;
    if (platform::SameText(sender->CurrentURI.Protocol, "https") &&
        !platform::SameText(scheme, "https"))
      throw net::ENetException(std::string(platform::inet::InsecureRedirectText) + " (to " +
                               location + ")");
    handled = true;
  };
}

void UseSystemProxy(http::TNetHTTP& sget, const std::string& url) {
  const std::optional<platform::ProxySetting> proxy = platform::SystemProxyFor(url);
  http::TNetProxyConnectionInfo& params = sget.ProxyParams;
  params.ProxyServer = proxy ? proxy->host : std::string();
  params.ProxyPort = proxy ? proxy->port : 0;
  params.ProxyUsername = proxy ? proxy->username : std::string();
  params.ProxyPassword = proxy ? proxy->password : std::string();
  params.Authentication.reset();
  // A challenge of the proxy is answered within the same check; without credentials nothing
  // can answer it, and the option stays off as the client is configured.
  if (!params.ProxyUsername.empty())
    sget.HTTPOptions.insert(http::hoInProcessAuth);
  else
    sget.HTTPOptions.erase(http::hoInProcessAuth);
  sget.OnProxyAuthorization = [](http::TNetCustomHTTP* sender, http::TNetAuthentication*,
                                 bool& handled) {
    handled = !sender->ProxyParams.ProxyUsername.empty() && sender->ProxyAuthTries == 1;
  };
}

} // namespace app
