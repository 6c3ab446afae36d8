#include "ServerSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

int ListenOnLoopback(std::uint16_t port, int backlog, std::uint16_t& boundPort,
                     const std::string& ip) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    throw std::runtime_error("socket failed");
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1 ||
      (ntohl(address.sin_addr.s_addr) >> 24) != 127) {
    close(fd);
    throw std::runtime_error("not a loopback address: " + ip);
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, backlog) != 0) {
    close(fd);
    throw std::runtime_error("cannot listen on " + ip + ":" + std::to_string(port));
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return fd;
}

int BindWithoutListening(std::uint16_t& boundPort) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0)
      close(fd);
    throw std::runtime_error("cannot bind a loopback port");
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return fd;
}

int ConnectWithoutWaiting(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return fd;
}

AcceptWake OpenAcceptWake() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  return AcceptWake{ends[0], ends[1]};
}

void WakeAccept(const AcceptWake& wake) {
  [[maybe_unused]] const ssize_t ignored = write(wake.writeEnd, "x", 1);
}

void CloseAcceptWake(const AcceptWake& wake) {
  close(wake.readEnd);
  close(wake.writeEnd);
}

int AcceptOrWait(int listener, const AcceptWake& wake) {
  pollfd fds[2] = {{listener, POLLIN, 0}, {wake.readEnd, POLLIN, 0}};
  if (poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN))
    return -1;
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool WaitReadable(int socket, int waitMs) {
  pollfd p{socket, POLLIN, 0};
  return poll(&p, 1, waitMs) > 0;
}

bool WaitWritable(int socket, int waitMs) {
  pollfd p{socket, POLLOUT, 0};
  return poll(&p, 1, waitMs) != 0;
}

int ReceiveSome(int socket, char* buffer, std::size_t size) {
  const ssize_t n = recv(socket, buffer, size, 0);
  if (n < 0)
    return errno == EINTR ? -1 : 0;
  return static_cast<int>(n);
}

int SendSome(int socket, const char* bytes, std::size_t size) {
  const ssize_t n = send(socket, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n < 0 && (errno == EINTR || errno == EAGAIN))
    return 0;
  return n <= 0 ? -1 : static_cast<int>(n);
}

void ShutdownBoth(int socket) {
  shutdown(socket, SHUT_RDWR);
}

void ShutdownSend(int socket) {
  shutdown(socket, SHUT_WR);
}

void ResetOnClose(int socket) {
  const linger hard{1, 0};
  setsockopt(socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

void CloseSocket(int socket) {
  close(socket);
}

int OpenStreamSocket() {
  return socket(AF_INET, SOCK_STREAM, 0);
}

bool SocketOpen(int socket) {
  return fcntl(socket, F_GETFD) != -1;
}

} // namespace testsupport
