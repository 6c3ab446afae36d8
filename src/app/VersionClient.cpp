#include "app/VersionClient.h"

#include "http/TNetHTTP.h"

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

} // namespace app
