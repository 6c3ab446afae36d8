#pragma once

// The internet API the download worker calls: a session, a connection to a server and port, one
// HTTP request on it, its Content-Length and status, and pull-style reads of the body (at most
// what the caller asks for; the body is never held whole). Over libcurl's multi interface.
// As the platform's own API does by default: the system's proxy settings (on Linux the
// http_proxy / https_proxy / no_proxy environment), redirects followed by the same rules on both
// systems (at most 5, never from https to http; the final answer counts), and a stall limit: a
// connect or a read that gets less than 1 KiB within StallLimit fails (so does a server that
// drips a byte now and then). The header blocks of one request, redirects and interim answers
// included, may hold at most 256 KiB (on Windows interim answers stay inside WinINet, and a head
// is checked once read whole: docs/SECURITY.md).
//
// A request opened with INTERNET_FLAG_SECURE goes over TLS (1.2 or later) on the system's own
// stack, the server's certificate checked against the system's trust store and the host's name;
// nothing turns that check off. Why a request failed, where the words are known, and the address
// its final answer came from are asked with FailureReason and FinalURL.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::inet {

struct Handle;
using HINTERNET = Handle*;

inline constexpr std::uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;
inline constexpr std::uint32_t INTERNET_SERVICE_HTTP = 3;
inline constexpr std::uint16_t INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr std::uint16_t INTERNET_DEFAULT_HTTPS_PORT = 443;
inline constexpr std::uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
inline constexpr std::uint32_t INTERNET_FLAG_SECURE = 0x00800000u;
inline constexpr std::uint32_t HTTP_QUERY_CONTENT_LENGTH = 5;
inline constexpr std::uint32_t HTTP_QUERY_STATUS_CODE = 19;

// The host and port a connection goes to: the caller passes the URL's authority as the server,
// so a port written there ("host:8080") counts, as it does in the URL; otherwise `port`. Nothing
// for a written port of 0 or above 65535. A bracketed IPv6 literal keeps its colons.
struct ServerAddress {
  std::string host;
  std::uint16_t port;
};
std::optional<ServerAddress> SplitServer(std::string_view server, std::uint16_t port);

// How long a connect or a read may go without a byte (60 s unless changed, for tests).
void SetStallLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds StallLimit();

// Loads and starts the library behind this API (once per process; later calls only report).
// Call it on the user-interface thread before a worker uses the API: starting the library is
// not safe on a thread that may still run while the program ends. False when it is missing.
bool Startup();

// A session; `agent` (may be null) becomes the requests' User-Agent.
HINTERNET InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                        const char* proxyBypass, std::uint32_t flags);
// A connection to `server`:`port`; the credentials are offered if the server asks.
HINTERNET InternetConnectA(HINTERNET session, const char* server, std::uint16_t port,
                           const char* userName, const char* password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context);
// A request: the accept list (null-terminated) becomes Accept, a non-empty referrer Referer;
// INTERNET_FLAG_RELOAD asks caches not to answer.
HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           std::uint32_t flags, std::uintptr_t context);
// Sends the request and waits for the final answer's status line and headers.
bool HttpSendRequestA(HINTERNET request, const char* headers, std::uint32_t headersLength,
                      const void* optional, std::uint32_t optionalLength);
// The final answer's Content-Length (or status code) as text; false when there is none.
bool HttpQueryInfoA(HINTERNET request, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t* bufferLength, std::uint32_t* index);
// The next body bytes, at most `toRead`; true with 0 at the end; false on a broken transfer.
bool InternetReadFile(HINTERNET request, void* buffer, std::uint32_t toRead,
                      std::uint32_t* bytesRead);
bool InternetCloseHandle(HINTERNET handle);

// Why `request` failed, in words both systems use: a certificate refused (the TLS failures'
// FailureText), a redirect refused by the rules above; empty when the failure has no words of
// ours (a refused connection, a broken transfer) or nothing failed. Kept with the request until
// it is closed, so a worker may ask after its own calls.
std::string FailureReason(HINTERNET request);
// The address the final answer of `request` came from, after the redirects it followed
// ("https://host/path", the port written only when it is not the scheme's own); empty before
// HttpSendRequestA has had an answer.
std::string FinalURL(HINTERNET request);

// The words of the redirect rules' refusals, the same on both systems.
inline constexpr const char* InsecureRedirectText = "a redirect from https to http was refused";
inline constexpr const char* TooManyRedirectsText = "more than 5 redirects in a row";

// "scheme://host[:port]": the port left out when it is the scheme's own.
std::string OriginOf(bool secure, const std::string& host, std::uint16_t port);

} // namespace platform::inet
