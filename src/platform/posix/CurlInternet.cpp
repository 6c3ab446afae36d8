#include "platform/Internet.h"
#include "platform/Text.h"
#include "platform/posix/OpenSslAtExit.h"
#include "platform/Tls.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <curl/curl.h>
#include <dlfcn.h>
#include <mutex>
#include <openssl/x509_vfy.h>
#include <vector>

namespace platform::inet {

using Clock = std::chrono::steady_clock;

struct Handle {
  enum class Kind { Session, Connection, Request } kind;
  explicit Handle(Kind k) : kind(k) {}
  virtual ~Handle() = default;
};

namespace {

std::atomic<long long> g_stallMs{60000};
// Body bytes held for the reader before the transfer is paused.
constexpr std::size_t HoldLimit = 256 * 1024;
// Fewer bytes than this within the stall limit count as a stall.
constexpr std::size_t MinProgressBytes = 1024;
// The most header bytes one request takes in, over all its answers.
constexpr std::size_t MaxHeaderBytes = 256 * 1024;

// libcurl, bound on first use: the library and everything it pulls in (TLS, Kerberos, LDAP...)
// are loaded only when a download starts, not with the program.
struct CurlApi {
  bool loaded = false;
  decltype(&::curl_global_init) global_init = nullptr;
  decltype(&::curl_easy_init) easy_init = nullptr;
  decltype(&::curl_easy_setopt) easy_setopt = nullptr;
  decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&::curl_easy_pause) easy_pause = nullptr;
  decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&::curl_multi_init) multi_init = nullptr;
  decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
  decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
  decltype(&::curl_multi_perform) multi_perform = nullptr;
  decltype(&::curl_multi_poll) multi_poll = nullptr;
  decltype(&::curl_multi_info_read) multi_info_read = nullptr;
  decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
  decltype(&::curl_slist_append) slist_append = nullptr;
  decltype(&::curl_slist_free_all) slist_free_all = nullptr;
};

template <typename F> bool Bind(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  return function != nullptr;
}

const CurlApi& Curl() {
  static const CurlApi api = [] {
    // libcurl starts OpenSSL when it starts.
    posix::LeaveOpenSslStateAtExit();
    CurlApi a;
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library)
      return a;
    a.loaded = Bind(library, "curl_global_init", a.global_init) &&
               Bind(library, "curl_easy_init", a.easy_init) &&
               Bind(library, "curl_easy_setopt", a.easy_setopt) &&
               Bind(library, "curl_easy_getinfo", a.easy_getinfo) &&
               Bind(library, "curl_easy_pause", a.easy_pause) &&
               Bind(library, "curl_easy_cleanup", a.easy_cleanup) &&
               Bind(library, "curl_multi_init", a.multi_init) &&
               Bind(library, "curl_multi_add_handle", a.multi_add_handle) &&
               Bind(library, "curl_multi_remove_handle", a.multi_remove_handle) &&
               Bind(library, "curl_multi_perform", a.multi_perform) &&
               Bind(library, "curl_multi_poll", a.multi_poll) &&
               Bind(library, "curl_multi_info_read", a.multi_info_read) &&
               Bind(library, "curl_multi_cleanup", a.multi_cleanup) &&
               Bind(library, "curl_slist_append", a.slist_append) &&
               Bind(library, "curl_slist_free_all", a.slist_free_all);
    if (a.loaded)
      a.loaded = a.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return a;
  }();
  return api;
}

struct Session : Handle {
  Session() : Handle(Kind::Session) {}
  std::string agent;
  bool hasAgent = false;
};

struct Connection : Handle {
  Connection() : Handle(Kind::Connection) {}
  std::string agent;
  bool hasAgent = false;
  std::string server;
  std::uint16_t port = INTERNET_DEFAULT_HTTP_PORT;
  std::string userName;
  std::string password;
};

struct Request : Handle {
  Request() : Handle(Kind::Request) {}
  ~Request() override {
    if (easy && multi)
      Curl().multi_remove_handle(multi, easy);
    if (easy)
      Curl().easy_cleanup(easy);
    if (multi)
      Curl().multi_cleanup(multi);
    if (headerList)
      Curl().slist_free_all(headerList);
  }

  Connection connection; // a copy: the request outlives nothing it points to
  std::string verb;
  std::string objectName;
  std::string version;
  std::string referrer;
  std::string accept;
  bool reload = false;
  bool secure = false;
  std::string postBody;

  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headerList = nullptr;

  // The answer being received, and the final one's headers once complete.
  int status = 0;
  std::vector<std::string> headers;
  bool headersDone = false;
  std::string body;
  std::size_t bodyOffset = 0;
  bool paused = false;
  bool finished = false;
  CURLcode result = CURLE_OK;
  // Why the transfer failed, in our words; empty when we have none for it.
  std::string failure;
  Clock::time_point lastProgress = Clock::now();
  std::size_t sinceProgress = 0; // bytes since lastProgress
  std::size_t headerBytes = 0;   // of every answer of this request, redirects and 1xx included

  // Counts received bytes; a whole MinProgressBytes of them is progress. A peer that drips a
  // few bytes now and then therefore stalls like a silent one.
  void Received(std::size_t n) {
    sinceProgress += n;
    if (sinceProgress >= MinProgressBytes) {
      sinceProgress = 0;
      lastProgress = Clock::now();
    }
  }
  void Progressed() {
    sinceProgress = 0;
    lastProgress = Clock::now();
  }

  std::size_t Held() const { return body.size() - bodyOffset; }
};

std::optional<std::string> Location(const std::vector<std::string>& headers) {
  for (const std::string& line : headers) {
    if (StartsText("Location:", line))
      return std::string(Trim(line.substr(9)));
  }
  return std::nullopt;
}

std::string EffectiveURL(CURL* easy) {
  char* url = nullptr;
  if (Curl().easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url)
    return {};
  return url;
}

// A redirect from an https address to an http one: libcurl's protocol list for redirects is
// fixed for the whole transfer, so one that started on http and went on to https would still
// be let back to http.
bool InsecureRedirect(CURL* easy, const std::string& location) {
  return StartsText("http:", location) && StartsText("https:", EffectiveURL(easy));
}

// Our words for a failed transfer's result, where we have them.
std::string FailureWords(CURL* easy, CURLcode result) {
  using platform::tls::Failure;
  using platform::tls::FailureText;
  switch (result) {
  case CURLE_PEER_FAILED_VERIFICATION: {
    long verify = X509_V_OK;
    Curl().easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
    switch (verify) {
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
      // The chain was good and libcurl's own check of the host's name refused it: it leaves
      // "not OK" (1) as the result then.
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return FailureText(Failure::NameMismatch);
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return FailureText(Failure::Expired);
    default:
      return FailureText(Failure::NotTrusted);
    }
  }
  case CURLE_SSL_CONNECT_ERROR:
  case CURLE_SSL_CIPHER:
  case CURLE_SSL_CERTPROBLEM:
  case CURLE_SSL_ISSUER_ERROR:
  case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
  case CURLE_SSL_INVALIDCERTSTATUS:
    return FailureText(Failure::Handshake);
  case CURLE_TOO_MANY_REDIRECTS:
    return TooManyRedirectsText;
  default:
    return {};
  }
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  const std::string line(data, size * count);
  request->Received(line.size());
  request->headerBytes += line.size();
  if (request->headerBytes > MaxHeaderBytes)
    return 0; // aborts the transfer: the server sends header lines without end
  if (line.rfind("HTTP/", 0) == 0) {
    request->headers.clear();
    request->headersDone = false;
    const std::size_t space = line.find(' ');
    request->status = space == std::string::npos ? 0 : StrToIntDef(line.substr(space + 1, 3), 0);
  } else if (line == "\r\n" || line == "\n") {
    // The end of a block: the final answer unless it is an interim one or a redirect that
    // will be followed.
    const std::optional<std::string> location = Location(request->headers);
    const bool redirect =
        request->status >= 300 && request->status < 400 && request->status != 304 && location;
    if (redirect && InsecureRedirect(request->easy, *location)) {
      request->failure = InsecureRedirectText;
      return 0;
    }
    request->headersDone = request->status >= 200 && !redirect;
  } else {
    request->headers.emplace_back(TrimRight(line));
  }
  return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  if (request->Held() >= HoldLimit) {
    request->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (request->bodyOffset > 0 && request->bodyOffset == request->body.size()) {
    request->body.clear();
    request->bodyOffset = 0;
  }
  request->body.append(data, size * count);
  request->Received(size * count);
  request->headersDone = true;
  return size * count;
}

// Drives the transfer until `ready` holds, it ends, or it stalls.
template <typename Ready> void Pump(Request& request, Ready ready) {
  const auto stall = std::chrono::milliseconds(g_stallMs.load());
  while (!ready() && !request.finished) {
    if (request.paused && request.Held() == 0) {
      request.paused = false;
      request.Progressed();
      Curl().easy_pause(request.easy, CURLPAUSE_CONT);
    }
    int running = 0;
    Curl().multi_perform(request.multi, &running);
    int queued = 0;
    while (CURLMsg* message = Curl().multi_info_read(request.multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        request.finished = true;
        request.result = message->data.result;
        if (request.result != CURLE_OK && request.failure.empty())
          request.failure = FailureWords(request.easy, request.result);
      }
    }
    if (ready() || request.finished)
      return;
    if (request.paused && request.Held() > 0)
      return; // the reader has bytes to take first
    const auto quiet = Clock::now() - request.lastProgress;
    if (quiet >= stall) {
      request.finished = true;
      request.result = CURLE_OPERATION_TIMEDOUT;
      return;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stall - quiet);
    Curl().multi_poll(request.multi, nullptr, 0,
                      static_cast<int>(std::min<long long>(left.count() + 1, 100)), nullptr);
  }
}

} // namespace

bool Startup() {
  return Curl().loaded;
}

void SetStallLimit(std::chrono::milliseconds limit) {
  g_stallMs.store(limit.count());
}

std::chrono::milliseconds StallLimit() {
  return std::chrono::milliseconds(g_stallMs.load());
}

HINTERNET InternetOpenA(const char* agent, std::uint32_t, const char*, const char*, std::uint32_t) {
  if (!Startup())
    return nullptr;
  auto* session = new Session;
  session->hasAgent = agent != nullptr;
  session->agent = agent ? agent : "";
  return session;
}

HINTERNET InternetConnectA(HINTERNET handle, const char* server, std::uint16_t port,
                           const char* userName, const char* password, std::uint32_t service,
                           std::uint32_t, std::uintptr_t) {
  auto* session = dynamic_cast<Session*>(handle);
  if (!session || service != INTERNET_SERVICE_HTTP || !server || !*server)
    return nullptr;
  const std::optional<ServerAddress> address = SplitServer(server, port);
  if (!address)
    return nullptr;
  auto* connection = new Connection;
  connection->agent = session->agent;
  connection->hasAgent = session->hasAgent;
  connection->server = address->host;
  connection->port = address->port;
  connection->userName = userName ? userName : "";
  connection->password = password ? password : "";
  return connection;
}

HINTERNET HttpOpenRequestA(HINTERNET handle, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           std::uint32_t flags, std::uintptr_t) {
  auto* connection = dynamic_cast<Connection*>(handle);
  if (!connection)
    return nullptr;
  auto* request = new Request;
  request->connection = *connection;
  request->verb = verb && *verb ? verb : "GET";
  request->objectName = objectName && *objectName ? objectName : "/";
  request->version = version ? version : "HTTP/1.1";
  request->referrer = referrer ? referrer : "";
  if (acceptTypes) {
    for (const char** type = acceptTypes; *type; ++type) {
      if (!request->accept.empty())
        request->accept += ", ";
      request->accept += *type;
    }
  }
  request->reload = (flags & INTERNET_FLAG_RELOAD) != 0;
  request->secure = (flags & INTERNET_FLAG_SECURE) != 0;
  return request;
}

bool HttpSendRequestA(HINTERNET handle, const char* headers, std::uint32_t headersLength,
                      const void* optional, std::uint32_t optionalLength) {
  auto* request = dynamic_cast<Request*>(handle);
  if (!request || request->easy)
    return false;
  request->easy = Curl().easy_init();
  request->multi = Curl().multi_init();
  if (!request->easy || !request->multi)
    return false;
  CURL* easy = request->easy;
  const Connection& connection = request->connection;
  const std::string url =
      OriginOf(request->secure, connection.server, connection.port) + request->objectName;
  Curl().easy_setopt(easy, CURLOPT_URL, url.c_str());
  Curl().easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // Never from https to http: a transfer that starts on https stays there (OnHeader refuses
  // the way back for one that reaches https later).
  Curl().easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, request->secure ? "https" : "http,https");
  // libcurl's defaults, written out: the certificate must chain to the system's trust store and
  // name the host.
  Curl().easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  Curl().easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  Curl().easy_setopt(easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  // Through a proxy, the answer to CONNECT is the proxy's, not the server's.
  Curl().easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  Curl().easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  Curl().easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
  Curl().easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  Curl().easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(g_stallMs.load()));
  // The body is everything up to the close: a body longer or shorter than announced shows
  // in the caller's own count.
  Curl().easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
  Curl().easy_setopt(easy, CURLOPT_HTTP_VERSION,
                     request->version == "HTTP/1.0" ? CURL_HTTP_VERSION_1_0
                                                    : CURL_HTTP_VERSION_1_1);
  if (connection.hasAgent)
    Curl().easy_setopt(easy, CURLOPT_USERAGENT, connection.agent.c_str());
  if (!request->referrer.empty())
    Curl().easy_setopt(easy, CURLOPT_REFERER, request->referrer.c_str());
  if (!connection.userName.empty()) {
    Curl().easy_setopt(easy, CURLOPT_USERNAME, connection.userName.c_str());
    Curl().easy_setopt(easy, CURLOPT_PASSWORD, connection.password.c_str());
    Curl().easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
  }
  if (!request->accept.empty())
    request->headerList =
        Curl().slist_append(request->headerList, ("Accept: " + request->accept).c_str());
  // libcurl asks a proxy to keep the connection ("Proxy-Connection: Keep-Alive"), and a proxy
  // that does never closes it after the body, which ends only at the close here: the request
  // goes without it, a close after each answer.
  request->headerList = Curl().slist_append(request->headerList, "Proxy-Connection:");
  if (request->reload) {
    request->headerList = Curl().slist_append(request->headerList, "Cache-Control: no-cache");
    request->headerList = Curl().slist_append(request->headerList, "Pragma: no-cache");
  }
  if (headers && headersLength > 0) {
    const std::string extra(headers, headersLength);
    std::size_t start = 0;
    while (start < extra.size()) {
      const std::size_t end = extra.find_first_of("\r\n", start);
      const std::string line = extra.substr(start, end == std::string::npos ? end : end - start);
      if (!Trim(line).empty())
        request->headerList = Curl().slist_append(request->headerList, line.c_str());
      start = end == std::string::npos ? extra.size() : end + 1;
    }
  }
  Curl().easy_setopt(easy, CURLOPT_HTTPHEADER, request->headerList);
  if (optional && optionalLength > 0) {
    request->postBody.assign(static_cast<const char*>(optional), optionalLength);
    Curl().easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(optionalLength));
    Curl().easy_setopt(easy, CURLOPT_POSTFIELDS, request->postBody.data());
  }
  if (request->verb == "POST" && !optional)
    Curl().easy_setopt(easy, CURLOPT_POST, 1L);
  else if (request->verb != "GET" && request->verb != "POST")
    Curl().easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request->verb.c_str());
  Curl().easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  Curl().easy_setopt(easy, CURLOPT_HEADERDATA, request);
  Curl().easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
  Curl().easy_setopt(easy, CURLOPT_WRITEDATA, request);
  Curl().multi_add_handle(request->multi, easy);

  request->Progressed();
  Pump(*request, [&] { return request->headersDone; });
  return request->headersDone && request->status > 0;
}

std::string FailureReason(HINTERNET handle) {
  auto* request = dynamic_cast<Request*>(handle);
  return request ? request->failure : std::string();
}

std::string FinalURL(HINTERNET handle) {
  auto* request = dynamic_cast<Request*>(handle);
  if (!request || !request->easy || !request->headersDone)
    return {};
  return EffectiveURL(request->easy);
}

bool HttpQueryInfoA(HINTERNET handle, std::uint32_t infoLevel, void* buffer,
                    std::uint32_t* bufferLength, std::uint32_t*) {
  auto* request = dynamic_cast<Request*>(handle);
  if (!request || !request->headersDone || request->status <= 0 || !buffer || !bufferLength)
    return false;
  std::string value;
  if (infoLevel == HTTP_QUERY_STATUS_CODE) {
    value = std::to_string(request->status);
  } else if (infoLevel == HTTP_QUERY_CONTENT_LENGTH) {
    bool found = false;
    for (const std::string& line : request->headers) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos && SameText(Trim(line.substr(0, colon)), "Content-Length")) {
        value = std::string(Trim(line.substr(colon + 1)));
        found = true;
        break;
      }
    }
    if (!found)
      return false;
  } else {
    return false;
  }
  if (value.size() + 1 > *bufferLength) {
    *bufferLength = static_cast<std::uint32_t>(value.size() + 1);
    return false;
  }
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  *bufferLength = static_cast<std::uint32_t>(value.size());
  return true;
}

bool InternetReadFile(HINTERNET handle, void* buffer, std::uint32_t toRead,
                      std::uint32_t* bytesRead) {
  auto* request = dynamic_cast<Request*>(handle);
  if (bytesRead)
    *bytesRead = 0;
  if (!request || !request->easy || !bytesRead)
    return false;
  Pump(*request, [&] { return request->Held() > 0; });
  const std::size_t n = std::min<std::size_t>(request->Held(), toRead);
  if (n > 0) {
    std::memcpy(buffer, request->body.data() + request->bodyOffset, n);
    request->bodyOffset += n;
    *bytesRead = static_cast<std::uint32_t>(n);
    return true;
  }
  return request->finished && request->result == CURLE_OK;
}

bool InternetCloseHandle(HINTERNET handle) {
  delete handle;
  return handle != nullptr;
}

} // namespace platform::inet
