// The scripted server's socket calls on Winsock (the tests link ws2_32 directly; only the code
// under test loads it by name).
#include "ServerSocket.h"

#include <stdexcept>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace testsupport {

namespace {

// Socket handles fit in an int; the shared header keeps ints.
SOCKET S(int fd) {
  return static_cast<SOCKET>(static_cast<unsigned>(fd));
}

// Winsock is started once for the whole test program.
struct Startup {
  Startup() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
} const s_startup;

} // namespace

int ListenOnLoopback(std::uint16_t port, int backlog, std::uint16_t& boundPort,
                     const std::string& ip) {
  const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
  if (native == INVALID_SOCKET)
    throw std::runtime_error("socket failed");
  const int fd = static_cast<int>(native);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1 ||
      (ntohl(address.sin_addr.s_addr) >> 24) != 127) {
    CloseSocket(fd);
    throw std::runtime_error("not a loopback address: " + ip);
  }
  if (bind(native, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(native, backlog) != 0) {
    CloseSocket(fd);
    throw std::runtime_error("cannot listen on " + ip + ":" + std::to_string(port));
  }
  int length = sizeof address;
  getsockname(native, reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return fd;
}

int BindWithoutListening(std::uint16_t& boundPort) {
  const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (native == INVALID_SOCKET ||
      bind(native, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (native != INVALID_SOCKET)
      CloseSocket(static_cast<int>(native));
    throw std::runtime_error("cannot bind a loopback port");
  }
  int length = sizeof address;
  getsockname(native, reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return static_cast<int>(native);
}

int ConnectWithoutWaiting(std::uint16_t port) {
  const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
  u_long nonBlocking = 1;
  ioctlsocket(native, FIONBIO, &nonBlocking);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(native, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return static_cast<int>(native);
}

// No wake pipe on Windows: the accepting loop looks at the stop request every 20 ms.
AcceptWake OpenAcceptWake() {
  return AcceptWake{};
}

void WakeAccept(const AcceptWake&) {}

void CloseAcceptWake(const AcceptWake&) {}

int AcceptOrWait(int listener, const AcceptWake&) {
  if (!WaitReadable(listener, 20))
    return -1;
  const SOCKET accepted = accept(S(listener), nullptr, nullptr);
  return accepted == INVALID_SOCKET ? -1 : static_cast<int>(accepted);
}

bool WaitReadable(int socket, int waitMs) {
  pollfd p{S(socket), POLLIN, 0};
  return WSAPoll(&p, 1, waitMs) > 0;
}

bool WaitWritable(int socket, int waitMs) {
  pollfd p{S(socket), POLLOUT, 0};
  return WSAPoll(&p, 1, waitMs) != 0;
}

int ReceiveSome(int socket, char* buffer, std::size_t size) {
  const int n = recv(S(socket), buffer, static_cast<int>(size), 0);
  return n < 0 ? 0 : n;
}

int SendSome(int socket, const char* bytes, std::size_t size) {
  const int n = send(S(socket), bytes, static_cast<int>(size), 0);
  if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
    return 0;
  return n <= 0 ? -1 : n;
}

void ShutdownBoth(int socket) {
  shutdown(S(socket), SD_BOTH);
}

void ShutdownSend(int socket) {
  shutdown(S(socket), SD_SEND);
}

void ResetOnClose(int socket) {
  const linger hard{1, 0};
  setsockopt(S(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
}

void CloseSocket(int socket) {
  closesocket(S(socket));
}

int OpenStreamSocket() {
  const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
  return native == INVALID_SOCKET ? -1 : static_cast<int>(native);
}

bool SocketOpen(int socket) {
  int type = 0;
  int length = sizeof type;
  return getsockopt(S(socket), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length) == 0;
}

} // namespace testsupport
