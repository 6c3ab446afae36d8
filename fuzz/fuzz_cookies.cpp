// Cookie values as servers send them, admitted against a host, and internet dates.
#include "http/InternetDate.h"
#include "http/TNetCookieManager.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = text.find('\n');
  const std::string host =
      newline == std::string::npos ? "www.example.com" : text.substr(0, newline);
  const std::string value = newline == std::string::npos ? text : text.substr(newline + 1);
  http::TNetCookieManager jar;
  jar.AddCookie(value, host);
  try {
    jar.AddCookie2(value, host);
  } catch (const platform::EConvertError&) {
    // A port list item that is not a number ends the exchange; nothing else may escape.
  }
  (void)jar.CookiesForRequest(host, "/", false);
  (void)http::ParseInternetDate(value);
  return 0;
}
