#include "platform/SystemProxy.h"

#include "platform/win32/Unicode.h"

#include <windows.h>
#include <wininet.h>

namespace platform {

namespace {

// One per-connection option's text, freed as WinINet asks; empty when unset.
std::string TakeText(wchar_t* text) {
  if (!text)
    return {};
  std::string utf8 = win32::Narrow(text);
  GlobalFree(text);
  return utf8;
}

} // namespace

// The settings WinINet uses for the default connection: the static proxy when it is on, its
// bypass list. Automatic configuration (a script or discovery) is not read: such a setting
// without a static proxy means a direct connection here.
std::optional<ProxySetting> SystemProxyFor(const std::string& url) {
  const std::optional<ProxyTarget> target = ProxyTargetOf(url);
  if (!target)
    return std::nullopt;
  INTERNET_PER_CONN_OPTIONW options[3] = {};
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  INTERNET_PER_CONN_OPTION_LISTW list = {};
  list.dwSize = sizeof list;
  list.dwOptionCount = 3;
  list.pOptions = options;
  DWORD size = sizeof list;
  if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &size))
    return std::nullopt;
  const std::string server = TakeText(options[1].Value.pszValue);
  const std::string bypass = TakeText(options[2].Value.pszValue);
  if (!(options[0].Value.dwValue & PROXY_TYPE_PROXY) || BypassListMatches(target->host, bypass))
    return std::nullopt;
  const std::string address = ProxyServerForScheme(server, target->scheme);
  if (address.empty())
    return std::nullopt;
  return ParseProxyAddress(address, 80);
}

} // namespace platform
