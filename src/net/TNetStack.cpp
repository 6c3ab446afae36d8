#include "net/TNetStack.h"

#include "net/NetExceptions.h"
#include "platform/Text.h"

#include <memory>
#include <mutex>

namespace net {

namespace ws = platform::ws;

namespace {

std::mutex g_stackLock;
int g_componentCount = 0;
std::unique_ptr<TNetStack> g_stack;
int g_libraryStarts = 0;

void RaiseStubError(const char* function, int code, const std::string& text) {
  throw ENetWS2StubError(std::string("Error on call Winsock2 library function ") + function, code,
                         text);
}

// The parts of a text cut at its first three dots; missing parts are empty.
std::array<std::string_view, 4> QuadParts(std::string_view text) {
  std::array<std::string_view, 4> parts;
  for (int i = 0; i < 3; ++i) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
      parts[i] = text;
      text = {};
      for (int j = i + 1; j < 4; ++j)
        parts[j] = {};
      return parts;
    }
    parts[i] = text.substr(0, dot);
    text.remove_prefix(dot + 1);
  }
  parts[3] = text;
  return parts;
}

} // namespace

void InstallStubErrorHandler() {
  ws::SetStubFailureHandler(&RaiseStubError);
}

TNetStack::TNetStack() {
  InstallStubErrorHandler();
  if (ws::LibraryStarted())
    return;
  if (auto failure = ws::LoadLibrary()) {
    throw ENetWS2StubError(std::string("Error on loading Winsock2 library (") + ws::LibraryName +
                               ")",
                           failure->code, failure->systemText);
  }
  if (ws::WSAStartup(0x0202) != 0)
    throw ENetStackInitializationFailed();
  ++g_libraryStarts;
}

std::string TNetStack::ResolveHostName(const std::string& host) {
  if (platform::SameText(host, "localhost"))
    return "127.0.0.1";
  if (IsDottedQuad(host))
    return host;
  const auto address = ws::GetHostByName(host.c_str());
  if (!address) {
    CheckSocketResult(ws::SocketError);
    // A failed lookup always leaves a code; this is only reached for an ignored one.
    RaiseSocketFailure(ws::WSAHOST_NOT_FOUND);
  }
  return AddressToText(*address);
}

bool TNetStack::IsDottedQuad(std::string_view text) {
  for (std::string_view part : QuadParts(text)) {
    const auto value = platform::TryStrToInt(part);
    if (!value || *value < 0 || *value > 255)
      return false;
  }
  return true;
}

int TNetStack::FetchLastError() {
  m_lastError = ws::WSAGetLastError();
  return m_lastError;
}

bool TNetStack::CheckSocketResult(int result, std::initializer_list<int> ignored) {
  if (result != ws::SocketError)
    return false;
  m_lastError = ws::WSAGetLastError();
  for (int code : ignored) {
    if (code == m_lastError)
      return true;
  }
  RaiseSocketFailure(m_lastError);
}

void TNetStack::RaiseSocketFailure(int code) {
  throw ENetSocketError(code, TranslateSocketError(code));
}

std::string TNetStack::TranslateSocketError(int code) {
  const char* text = "";
  switch (code) {
  case 10004:
    text = "Interrupted system call.";
    break;
  case 10009:
    text = "Bad file number.";
    break;
  case 10013:
    text = "Access denied.";
    break;
  case 10014:
    text = "Bad address.";
    break;
  case 10022:
    text = "Invalid argument.";
    break;
  case 10024:
    text = "Too many open files.";
    break;
  case 10035:
    text = "Operation would block. ";
    break;
  case 10036:
    text = "Operation now in progress.";
    break;
  case 10037:
    text = "Operation already in progress.";
    break;
  case 10038:
    text = "Socket operation on non-socket.";
    break;
  case 10039:
    text = "Destination address required.";
    break;
  case 10040:
    text = "Message too long.";
    break;
  case 10041:
    text = "Protocol wrong type for socket.";
    break;
  case 10042:
    text = "Bad protocol option.";
    break;
  case 10043:
    text = "Protocol not supported.";
    break;
  case 10044:
    text = "Socket type not supported.";
    break;
  case 10045:
    text = "Operation not supported on socket.";
    break;
  case 10046:
    text = "Protocol family not supported.";
    break;
  case 10047:
    text = "Address family not supported by protocol family.";
    break;
  case 10048:
    text = "Address already in use.";
    break;
  case 10049:
    text = "Cannot assign requested address.";
    break;
  case 10050:
    text = "Network is down.";
    break;
  case 10051:
    text = "Network is unreachable.";
    break;
  case 10052:
    text = "Net dropped connection or reset.";
    break;
  case 10053:
    text = "Software caused connection abort.";
    break;
  case 10054:
    text = "Connection reset by peer.";
    break;
  case 10055:
    text = "No buffer space available.";
    break;
  case 10056:
    text = "Socket is already connected.";
    break;
  case 10057:
    text = "Socket is not connected.";
    break;
  case 10058:
    text = "Cannot send or receive after socket is closed.";
    break;
  case 10059:
    text = "Too many references, cannot splice.";
    break;
  case 10060:
    text = "Connection timed out.";
    break;
  case 10061:
    text = "Connection refused.";
    break;
  case 10062:
    text = "Too many levels of symbolic links.";
    break;
  case 10063:
    text = "File name too long.";
    break;
  case 10064:
    text = "Host is down.";
    break;
  case 10065:
    text = "No route to host.";
    break;
  case 10066:
    text = "Directory not empty";
    break;
  case 11001:
    text = "Host not found.";
    break;
  default:
    break;
  }
  return "Socket Error # " + std::to_string(code) + "\r\n" + text;
}

std::array<std::uint8_t, 4> TNetStack::AddressFromText(std::string_view text) {
  std::array<std::uint8_t, 4> address{};
  const auto parts = QuadParts(text);
  for (size_t i = 0; i < 4; ++i)
    address[i] = static_cast<std::uint8_t>(platform::StrToInt(parts[i]));
  return address;
}

std::string TNetStack::AddressToText(const std::array<std::uint8_t, 4>& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
         std::to_string(address[2]) + "." + std::to_string(address[3]);
}

TNetStack* SharedStack() noexcept {
  return g_stack.get();
}

void AcquireSharedStack() {
  std::lock_guard lock(g_stackLock);
  if (g_componentCount == 0)
    g_stack = std::make_unique<TNetStack>();
  ++g_componentCount;
}

void ReleaseSharedStack() noexcept {
  std::lock_guard lock(g_stackLock);
  if (g_componentCount > 0 && --g_componentCount == 0)
    g_stack.reset();
}

int LibraryStartCount() noexcept {
  return g_libraryStarts;
}

} // namespace net
