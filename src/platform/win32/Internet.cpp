// The internet API on Windows: the system's own WinINet, with our limits kept on top of it: the
// stall limit (a connect or read that gets less than 1 KiB within StallLimit fails), the cap on
// the header block, and the caller's rule that only a 2xx answer counts.
#include "platform/Internet.h"

#include "platform/SystemProxy.h"
#include "platform/Text.h"
#include "platform/Tls.h"
#include "platform/win32/InternetSendThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>
#include <windows.h>
#include <wininet.h>

namespace platform::inet {

namespace {

constexpr std::size_t MinProgressBytes = 1024;
constexpr std::size_t MaxHeaderBytes = 256 * 1024;
constexpr std::size_t ReadAheadBytes = 256 * 1024;
// The most redirects one request follows.
constexpr int RedirectLimit = 5;
// How long a send given up at the stall limit is waited for once its request is closed.
constexpr std::chrono::seconds CancelledSendGrace{2};

std::atomic<int> g_sendThreads{0};

std::atomic<long long> g_stallMs{60000};

using Clock = std::chrono::steady_clock;

} // namespace

// One WinINet handle and, for a request, the progress the stall limit watches.
struct Handle {
  ::HINTERNET native = nullptr;
  // A connection's and a request's way back to their session, and where they go: what a
  // redirect needs to ask the next place the same way. The session is not owned.
  ::HINTERNET session = nullptr;
  // The handle this one was opened from (a request's connection, a connection's session); not
  // owned, and alive as long as this one is.
  Handle* parent = nullptr;
  std::string scheme = "http";
  std::string host;
  std::uint16_t port = 0;
  // A request's own settings, and the connection of the last redirect it followed (owned).
  std::string object;
  std::string verb;
  std::string version;
  std::string referrer;
  std::vector<std::string> accept;
  DWORD flags = 0;
  ::HINTERNET redirectConnection = nullptr;
  Clock::time_point windowStart = Clock::now();
  std::size_t windowBytes = 0;
  bool failed = false;
  // Why the request failed, in our words; empty when we have none for it.
  std::string failure;
  // The final answer's address, once there is one.
  std::string finalURL;
  // Body bytes taken from WinINet and not yet handed out: what has arrived is taken in one call
  // however small the caller's reads are.
  std::vector<char> held;
  std::size_t heldOffset = 0;

  // The child before its parent: WinINet closes a parent's children with it.
  ~Handle() {
    if (native)
      ::InternetCloseHandle(native);
    if (redirectConnection)
      ::InternetCloseHandle(redirectConnection);
  }

  // Counts received bytes; false once a whole stall period has passed with less than 1 KiB.
  bool Progressed(std::size_t bytes) {
    windowBytes += bytes;
    const auto now = Clock::now();
    if (windowBytes >= MinProgressBytes) {
      windowStart = now;
      windowBytes = 0;
      return true;
    }
    return now - windowStart < std::chrono::milliseconds(g_stallMs.load());
  }
};

namespace {

void SetTimeouts(::HINTERNET handle) {
  const DWORD limit = static_cast<DWORD>(std::clamp<long long>(g_stallMs.load(), 1, MAXDWORD));
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionA(handle, option, const_cast<DWORD*>(&limit), sizeof limit);
}

HINTERNET Wrap(::HINTERNET native) {
  if (!native)
    return nullptr;
  auto* handle = new Handle;
  handle->native = native;
  return handle;
}

} // namespace

void SetStallLimit(std::chrono::milliseconds limit) {
  g_stallMs.store(limit.count());
}

std::chrono::milliseconds StallLimit() {
  return std::chrono::milliseconds(g_stallMs.load());
}

bool Startup() {
  return true;
}

HINTERNET InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                        const char* proxyBypass, std::uint32_t flags) {
  ::HINTERNET session = ::InternetOpenA(agent, accessType, proxy, proxyBypass, flags);
  if (session)
    SetTimeouts(session);
  return Wrap(session);
}

HINTERNET InternetConnectA(HINTERNET session, const char* server, std::uint16_t port,
                           const char* userName, const char* password, std::uint32_t service,
                           std::uint32_t flags, std::uintptr_t context) {
  if (!session)
    return nullptr;
  // Empty credentials are none: WinINet would otherwise offer an empty user name.
  const char* user = userName && *userName ? userName : nullptr;
  const char* secret = user && password && *password ? password : nullptr;
  // WinINet would take "host:port" for a host name.
  const std::optional<ServerAddress> address = SplitServer(server ? server : "", port);
  if (!address)
    return nullptr;
  HINTERNET connection =
      Wrap(::InternetConnectA(session->native, address->host.c_str(), address->port, user, secret,
                              service, flags, context));
  if (connection) {
    connection->parent = session;
    connection->session = session->native;
    connection->host = address->host;
    connection->port = address->port;
  }
  return connection;
}

HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           std::uint32_t flags, std::uintptr_t context) {
  if (!connection)
    return nullptr;
  const char* referer = referrer && *referrer ? referrer : nullptr;
  // Never a cached answer, and no cookies or authentication dialogs of the system's own.
  // Redirects are followed here, by our rules (RedirectLimit, never from https to http), not by
  // WinINet, which follows a loop without end.
  const DWORD nativeFlags = flags | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                            INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                            ((flags & INTERNET_FLAG_RELOAD) ? INTERNET_FLAG_NO_CACHE_WRITE : 0);
  HINTERNET request = Wrap(::HttpOpenRequestA(connection->native, verb, objectName, version,
                                              referer, acceptTypes, nativeFlags, context));
  if (!request)
    return nullptr;
  SetTimeouts(request->native);
  request->parent = connection;
  request->session = connection->session;
  request->scheme = (flags & INTERNET_FLAG_SECURE) ? "https" : "http";
  request->host = connection->host;
  request->port = connection->port;
  request->object = objectName && *objectName ? objectName : "/";
  request->verb = verb ? verb : "GET";
  request->version = version ? version : "";
  request->referrer = referer ? referer : "";
  for (const char** type = acceptTypes; type && *type; ++type)
    request->accept.emplace_back(*type);
  request->flags = nativeFlags;
  return request;
}

namespace {

enum class SendOutcome { Answered, Failed, TimedOut };

// Leaves the handles above `request` to a send that has not let go of it: a parent is never
// closed while a call on its child runs. They stay open until the process ends.
void AbandonParents(Handle& request) {
  request.redirectConnection = nullptr;
  for (Handle* parent = request.parent; parent; parent = parent->parent)
    parent->native = nullptr;
}

// Sends `request`'s request and waits for the head of its answer, within the stall limit. WinINet
// reads a head without end (endless header lines, endless interim answers) for ever, so the send
// runs on a thread of its own. A head not complete within the stall limit fails the request: its
// handle is closed, the way WinINet documents for making a blocked call return, and the thread
// is waited for a little longer. Wine's WinINet does not return then; its receive time-out ends
// the send on a silent server within that while. A send that still runs keeps what it uses: the
// request's parent handles are left to it (AbandonParents), and it ends when the server goes.
SendOutcome SendWithinStallLimit(Handle& request, const char* headers, std::uint32_t headersLength,
                                 const void* optional, std::uint32_t optionalLength, DWORD& error) {
  error = 0;
  struct PendingSend {
    ::HINTERNET native = nullptr;
    std::string headers;
    bool hasHeaders = false;
    std::string optional;
    std::mutex lock;
    std::condition_variable sent;
    bool done = false;
    bool ok = false;
    DWORD error = 0;
  };
  auto pending = std::make_shared<PendingSend>();
  pending->native = request.native;
  pending->hasHeaders = headers != nullptr;
  if (headers)
    pending->headers.assign(headers, headersLength == static_cast<std::uint32_t>(-1)
                                         ? std::strlen(headers)
                                         : headersLength);
  if (optional)
    pending->optional.assign(static_cast<const char*>(optional), optionalLength);
  const bool hasOptional = optional != nullptr;
  std::thread sender;
  ++g_sendThreads;
  try {
    sender = std::thread([pending, hasOptional] {
      struct Count {
        ~Count() { --g_sendThreads; }
      } count;
      const bool ok = ::HttpSendRequestA(pending->native,
                                         pending->hasHeaders ? pending->headers.data() : nullptr,
                                         static_cast<DWORD>(pending->headers.size()),
                                         hasOptional ? pending->optional.data() : nullptr,
                                         static_cast<DWORD>(pending->optional.size())) != FALSE;
      const DWORD error = ok ? 0 : GetLastError();
      std::lock_guard guard(pending->lock);
      pending->ok = ok;
      pending->error = error;
      pending->done = true;
      pending->sent.notify_all();
    });
  } catch (const std::system_error&) {
    --g_sendThreads;
    return SendOutcome::Failed;
  }
  std::unique_lock guard(pending->lock);
  const auto done = [&] { return pending->done; };
  if (pending->sent.wait_for(guard, StallLimit(), done)) {
    guard.unlock();
    sender.join();
    error = pending->error;
    return pending->ok ? SendOutcome::Answered : SendOutcome::Failed;
  }
  ::InternetCloseHandle(request.native);
  request.native = nullptr;
  const bool ended = pending->sent.wait_for(guard, CancelledSendGrace, done);
  guard.unlock();
  if (ended) {
    sender.join();
  } else {
    sender.detach();
    AbandonParents(request);
  }
  return SendOutcome::TimedOut;
}

// The credentials written in the address of the proxy the system's settings name for the
// request's URL, offered for the proxy's challenge as the version check offers them: WinINet
// takes the address from the same settings but leaves its credentials unused.
void OfferProxyCredentials(const Handle& request) {
  const std::optional<ProxySetting> proxy = SystemProxyFor(
      OriginOf(request.scheme == "https", request.host, request.port) + request.object);
  if (!proxy || proxy->username.empty())
    return;
  InternetSetOptionA(request.native, INTERNET_OPTION_PROXY_USERNAME,
                     const_cast<char*>(proxy->username.c_str()),
                     static_cast<DWORD>(proxy->username.size() + 1));
  InternetSetOptionA(request.native, INTERNET_OPTION_PROXY_PASSWORD,
                     const_cast<char*>(proxy->password.c_str()),
                     static_cast<DWORD>(proxy->password.size() + 1));
}

// Our words for WinINet's error after a failed send, where we have them.
std::string FailureWords(DWORD error) {
  using platform::tls::Failure;
  using platform::tls::FailureText;
  switch (error) {
  case ERROR_INTERNET_INVALID_CA:
    return FailureText(Failure::NotTrusted);
  case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    return FailureText(Failure::NameMismatch);
  case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    return FailureText(Failure::Expired);
  case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
  case ERROR_INTERNET_SEC_CERT_ERRORS:
  case ERROR_INTERNET_SEC_INVALID_CERT:
  case ERROR_INTERNET_SEC_CERT_REVOKED:
    return FailureText(Failure::Handshake);
  default:
    return {};
  }
}

// The Location of a redirect answer (301, 302, 303, 307, 308); nothing for any other answer.
std::optional<std::string> RedirectLocation(::HINTERNET native, DWORD& status) {
  status = 0;
  DWORD size = sizeof status;
  if (!::HttpQueryInfoA(native, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
    return std::nullopt;
  if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
    return std::nullopt;
  std::string location(2048, '\0');
  size = static_cast<DWORD>(location.size());
  if (!::HttpQueryInfoA(native, HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
    return std::nullopt;
  location.resize(size);
  return location;
}

// Where a redirect from `request` to `location` goes, by our rules: an absolute http or https
// URL, one without a scheme ("//host/…"), an absolute path or one relative to the request's
// folder. Nothing for another scheme, or for http after https (the request's failure says so).
bool Redirect(Handle& request, const std::string& location) {
  std::string scheme = request.scheme;
  std::string rest = location;
  const std::size_t colon = location.find("://");
  if (colon != std::string::npos && location.find('/') == colon + 1) {
    scheme = LowerCase(location.substr(0, colon));
    rest = location.substr(colon + 1);
  }
  if (request.scheme == "https" && scheme == "http")
    request.failure = InsecureRedirectText;
  if ((scheme != "http" && scheme != "https") || (request.scheme == "https" && scheme == "http"))
    return false;
  if (rest.rfind("//", 0) == 0) {
    const std::size_t pathStart = rest.find_first_of("/?", 2);
    std::string authority =
        rest.substr(2, pathStart == std::string::npos ? std::string::npos : pathStart - 2);
    authority.erase(0, authority.rfind('@') + 1);
    const std::optional<ServerAddress> address =
        SplitServer(authority, scheme == "https" ? 443 : 80);
    if (!address || address->host.empty())
      return false;
    request.host = address->host;
    request.port = address->port;
    request.object = pathStart == std::string::npos ? "/" : rest.substr(pathStart);
    if (request.object.front() != '/')
      request.object.insert(0, "/");
  } else if (rest.rfind('/', 0) == 0) {
    request.object = rest;
  } else {
    const std::string path = request.object.substr(0, request.object.find('?'));
    request.object = path.substr(0, path.rfind('/') + 1) + rest;
  }
  request.scheme = scheme;
  return true;
}

} // namespace

bool HttpSendRequestA(HINTERNET request, const char* headers, std::uint32_t headersLength,
                      const void* optional, std::uint32_t optionalLength) {
  if (!request)
    return false;
  request->windowStart = Clock::now();
  std::size_t headerBytes = 0;
  for (int redirects = 0;; ++redirects) {
    OfferProxyCredentials(*request);
    DWORD error = 0;
    if (SendWithinStallLimit(*request, headers, headersLength, optional, optionalLength, error) !=
        SendOutcome::Answered) {
      request->failure = FailureWords(error);
      request->failed = true;
      return false;
    }
    // The header blocks of the answers so far, this one measured without copying it. WinINet
    // has read the whole head by now and keeps interim answers to itself.
    DWORD size = 0;
    ::HttpQueryInfoA(request->native, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    headerBytes += size;
    if (headerBytes > MaxHeaderBytes) {
      request->failed = true;
      return false;
    }
    DWORD status = 0;
    const std::optional<std::string> location = RedirectLocation(request->native, status);
    if (!location)
      break;
    if (redirects == RedirectLimit) {
      request->failure = TooManyRedirectsText;
      request->failed = true;
      return false;
    }
    if (!Redirect(*request, *location)) {
      request->failed = true;
      return false;
    }
    // A 303 is answered with a GET and no body.
    if (status == 303) {
      request->verb = "GET";
      optional = nullptr;
      optionalLength = 0;
    }
    ::HINTERNET connection =
        ::InternetConnectA(request->session, request->host.c_str(), request->port, nullptr, nullptr,
                           INTERNET_SERVICE_HTTP, 0, 0);
    std::vector<const char*> accept;
    for (const std::string& type : request->accept)
      accept.push_back(type.c_str());
    accept.push_back(nullptr);
    const DWORD flags = (request->flags & ~static_cast<DWORD>(INTERNET_FLAG_SECURE)) |
                        (request->scheme == "https" ? INTERNET_FLAG_SECURE : 0);
    ::HINTERNET next =
        connection
            ? ::HttpOpenRequestA(connection, request->verb.c_str(), request->object.c_str(),
                                 request->version.empty() ? nullptr : request->version.c_str(),
                                 request->referrer.empty() ? nullptr : request->referrer.c_str(),
                                 accept.data(), flags, 0)
            : nullptr;
    ::InternetCloseHandle(request->native);
    if (request->redirectConnection)
      ::InternetCloseHandle(request->redirectConnection);
    request->native = next;
    request->redirectConnection = connection;
    if (!next) {
      request->failed = true;
      return false;
    }
    SetTimeouts(next);
  }
  request->windowStart = Clock::now();
  request->windowBytes = 0;
  request->finalURL =
      OriginOf(request->scheme == "https", request->host, request->port) + request->object;
  return true;
}

std::string FailureReason(HINTERNET request) {
  return request ? request->failure : std::string();
}

std::string FinalURL(HINTERNET request) {
  return request ? request->finalURL : std::string();
}

bool HttpQueryInfoA(HINTERNET request, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t* bufferLength, std::uint32_t* index) {
  if (!request || request->failed || !buffer || !bufferLength)
    return false;
  if (infoLevel != HTTP_QUERY_CONTENT_LENGTH && infoLevel != HTTP_QUERY_STATUS_CODE)
    return false;
  DWORD length = *bufferLength;
  // An answer has one status line: a header index a previous query advanced does not apply to it
  // (WinINet would report it missing).
  if (infoLevel == HTTP_QUERY_STATUS_CODE)
    index = nullptr;
  DWORD nativeIndex = index ? *index : 0;
  const bool found = ::HttpQueryInfoA(request->native, infoLevel, buffer, &length,
                                      index ? &nativeIndex : nullptr) != FALSE;
  *bufferLength = length;
  if (index)
    *index = nativeIndex;
  return found;
}

bool InternetReadFile(HINTERNET request, void* buffer, std::uint32_t toRead,
                      std::uint32_t* bytesRead) {
  if (bytesRead)
    *bytesRead = 0;
  if (!request || request->failed || !bytesRead)
    return false;
  if (request->heldOffset == request->held.size()) {
    // Waits until something has arrived (or the end), then takes all of it up to the room:
    // the caller's 1025-byte reads then cost no call into WinINet each.
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(request->native, &available, 0, 0)) {
      request->failed = true;
      return false;
    }
    if (available == 0)
      return true;
    request->held.resize(std::min<std::size_t>(available, ReadAheadBytes));
    DWORD count = 0;
    if (!::InternetReadFile(request->native, request->held.data(),
                            static_cast<DWORD>(request->held.size()), &count)) {
      request->failed = true;
      return false;
    }
    request->held.resize(count);
    request->heldOffset = 0;
    if (count == 0)
      return true;
    if (!request->Progressed(count)) {
      // A server that drips a byte now and then does not hold the transfer for ever.
      request->failed = true;
      return false;
    }
  }
  const std::size_t n = std::min<std::size_t>(toRead, request->held.size() - request->heldOffset);
  std::memcpy(buffer, request->held.data() + request->heldOffset, n);
  request->heldOffset += n;
  *bytesRead = static_cast<std::uint32_t>(n);
  return true;
}

int SendThreadsRunning() {
  return g_sendThreads.load();
}

bool InternetCloseHandle(HINTERNET handle) {
  delete handle;
  return handle != nullptr;
}

} // namespace platform::inet
