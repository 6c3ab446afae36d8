#include "platform/NativeAddress.h"
#include "platform/SocketEntry.h"
#include "platform/SocketLibrary.h"

#include <cerrno>
#include <chrono>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::ws {

const char* const LibraryName = "libc.so.6";

namespace {

detail::Entry<int (*)(int, int, int)> s_socket("socket");
detail::Entry<int (*)(int, const sockaddr*, socklen_t)> s_bind("bind");
detail::Entry<int (*)(int, const sockaddr*, socklen_t)> s_connect("connect");
detail::Entry<int (*)(int, sockaddr*, socklen_t*)> s_getsockname("getsockname");
detail::Entry<int (*)(int, sockaddr*, socklen_t*)> s_getpeername("getpeername");
detail::Entry<int (*)(int, int, int, void*, socklen_t*)> s_getsockopt("getsockopt");
detail::Entry<int (*)(int, int, int, const void*, socklen_t)> s_setsockopt("setsockopt");
detail::Entry<int (*)(pollfd*, nfds_t, int)> s_poll("poll");
detail::Entry<ssize_t (*)(int, void*, size_t, int)> s_recv("recv");
detail::Entry<ssize_t (*)(int, const void*, size_t, int)> s_send("send");
detail::Entry<int (*)(int, int)> s_shutdown("shutdown");
detail::Entry<int (*)(int)> s_close("close");
detail::Entry<int (*)(int, int, ...)> s_fcntl("fcntl");
detail::Entry<int (*)(const char*, const char*, const addrinfo*, addrinfo**)>
    s_getaddrinfo("getaddrinfo");
detail::Entry<void (*)(addrinfo*)> s_freeaddrinfo("freeaddrinfo");

int Fail() {
  WSASetLastError(ErrorCodeOfErrno(errno));
  return SocketError;
}

// poll() on one socket, resumed after signals with the time that is left.
int WaitFor(TSocket socket, short events, int timeoutMs) {
  auto poll = s_poll.Get();
  if (!poll)
    return SocketError;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  while (true) {
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd fd{socket, events, 0};
    const int result = poll(&fd, 1, wait);
    if (result >= 0)
      return result > 0 ? 1 : 0;
    if (errno != EINTR)
      return Fail();
  }
}

int SetBlocking(TSocket socket, bool blocking) {
  auto fcntl = s_fcntl.Get();
  if (!fcntl)
    return SocketError;
  const int flags = fcntl(socket, F_GETFL, 0);
  if (flags < 0)
    return Fail();
  const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(socket, F_SETFL, wanted) < 0 ? Fail() : 0;
}

} // namespace

namespace detail {

void* OpenSystemLibrary(LoadFailure& failure) {
  if (void* library = dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL))
    return library;
  const char* why = dlerror();
  failure = LoadFailure{ErrorProcNotFound, why ? why : "cannot load the library"};
  return nullptr;
}

void* FindSystemFunction(void* library, const char* name, std::string& why) {
  dlerror();
  void* address = dlsym(library, name);
  if (!address) {
    const char* text = dlerror();
    why = text ? text : "no such function";
  }
  return address;
}

void CloseSystemLibrary(void* library) {
  dlclose(library);
}

int StartSystemLibrary(std::uint16_t version) {
  return version == 0x0202 ? 0 : 10092; // WSAVERNOTSUPPORTED
}

int CleanupSystemLibrary() {
  return 0;
}

} // namespace detail

TSocket Socket(int family, int type, int protocol) {
  auto socket = s_socket.Get();
  if (!socket)
    return InvalidSocket;
  // The flag keeps sockets out of programs the updater starts.
  const int result = socket(family, type | SOCK_CLOEXEC, protocol);
  return result < 0 ? Fail() : result;
}

int Bind(TSocket socket, const SockAddrIn& address) {
  auto bind = s_bind.Get();
  if (!bind)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  return bind(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) < 0 ? Fail() : 0;
}

int Connect(TSocket socket, const SockAddrIn& address) {
  auto connect = s_connect.Get();
  if (!connect)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native) == 0)
    return 0;
  if (errno != EINTR)
    return Fail();
  // Interrupted: the connection goes on in the background; wait for its outcome.
  return ConnectWithin(socket, address, WaitForever);
}

int ConnectWithin(TSocket socket, const SockAddrIn& address, int timeoutMs) {
  auto connect = s_connect.Get();
  auto getsockopt = s_getsockopt.Get();
  if (!connect || !getsockopt || SetBlocking(socket, false) != 0)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  int result = connect(socket, reinterpret_cast<const sockaddr*>(&native), sizeof native);
  if (result != 0 && (errno == EINPROGRESS || errno == EINTR || errno == EALREADY)) {
    const int ready = WaitFor(socket, POLLOUT, timeoutMs);
    if (ready == 0) {
      SetBlocking(socket, true);
      WSASetLastError(WSAETIMEDOUT);
      return SocketError;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (ready < 0 || getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
      error = errno;
    errno = error;
    result = error == 0 ? 0 : -1;
  }
  const int saved = errno;
  SetBlocking(socket, true);
  errno = saved;
  return result == 0 ? 0 : Fail();
}

int GetSockName(TSocket socket, SockAddrIn& address) {
  return detail::ReadAddress<sockaddr_in, sockaddr, socklen_t>(s_getsockname.Get(), socket, address,
                                                               Fail);
}

int GetPeerName(TSocket socket, SockAddrIn& address) {
  return detail::ReadAddress<sockaddr_in, sockaddr, socklen_t>(s_getpeername.Get(), socket, address,
                                                               Fail);
}

int WaitReadable(TSocket socket, int timeoutMs) {
  return WaitFor(socket, POLLIN, timeoutMs);
}

int Recv(TSocket socket, void* buffer, int length, int flags) {
  auto recv = s_recv.Get();
  if (!recv)
    return SocketError;
  while (true) {
    const ssize_t result = recv(socket, buffer, static_cast<size_t>(length), flags);
    if (result >= 0)
      return static_cast<int>(result);
    if (errno != EINTR)
      return Fail();
  }
}

int Send(TSocket socket, const void* buffer, int length, int flags) {
  auto send = s_send.Get();
  if (!send)
    return SocketError;
  while (true) {
    const ssize_t result = send(socket, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    if (result >= 0)
      return static_cast<int>(result);
    if (errno != EINTR)
      return Fail();
  }
}

int Shutdown(TSocket socket, int how) {
  auto shutdown = s_shutdown.Get();
  if (!shutdown)
    return SocketError;
  return shutdown(socket, how) < 0 ? Fail() : 0;
}

int CloseSocket(TSocket socket) {
  auto close = s_close.Get();
  if (!close)
    return SocketError;
  return close(socket) < 0 ? Fail() : 0;
}

int SetSockOpt(TSocket socket, int level, int option, const void* value, int length) {
  auto setsockopt = s_setsockopt.Get();
  if (!setsockopt)
    return SocketError;
  return setsockopt(socket, level, option, value, static_cast<socklen_t>(length)) < 0 ? Fail() : 0;
}

std::optional<std::array<std::uint8_t, 4>> GetHostByName(const char* name) {
  auto getaddrinfo = s_getaddrinfo.Get();
  auto freeaddrinfo = s_freeaddrinfo.Get();
  // The resolver leaves its reason in errno only for some results.
  errno = 0;
  return detail::LookUp<sockaddr_in, addrinfo>(
      name, getaddrinfo, freeaddrinfo, AF_INET, SOCK_STREAM,
      [](int result) { return ErrorCodeOfResolver(result, errno); });
}

int ErrorCodeOfErrno(int error) {
  switch (error) {
  case EINTR:
    return 10004;
  case EBADF:
    return 10009;
  case EACCES:
  case EPERM:
    return 10013;
  case EFAULT:
    return 10014;
  case EINVAL:
    return 10022;
  case EMFILE:
  case ENFILE:
    return 10024;
  case EAGAIN:
    return 10035; // also EWOULDBLOCK
  case EINPROGRESS:
    return 10036;
  case EALREADY:
    return 10037;
  case ENOTSOCK:
    return 10038;
  case EDESTADDRREQ:
    return 10039;
  case EMSGSIZE:
    return 10040;
  case EPROTOTYPE:
    return 10041;
  case ENOPROTOOPT:
    return 10042;
  case EPROTONOSUPPORT:
    return 10043;
  case ESOCKTNOSUPPORT:
    return 10044;
  case EOPNOTSUPP:
    return 10045; // also ENOTSUP
  case EPFNOSUPPORT:
    return 10046;
  case EAFNOSUPPORT:
    return 10047;
  case EADDRINUSE:
    return 10048;
  case EADDRNOTAVAIL:
    return 10049;
  case ENETDOWN:
    return 10050;
  case ENETUNREACH:
    return 10051;
  case ENETRESET:
    return 10052;
  case ECONNABORTED:
    return 10053;
  case ECONNRESET:
    return 10054;
  case ENOBUFS:
  case ENOMEM:
    return 10055;
  case EISCONN:
    return 10056;
  case ENOTCONN:
    return 10057;
  case EPIPE:
  case ESHUTDOWN:
    return 10058;
  case ETOOMANYREFS:
    return 10059;
  case ETIMEDOUT:
    return 10060;
  case ECONNREFUSED:
    return 10061;
  case ELOOP:
    return 10062;
  case ENAMETOOLONG:
    return 10063;
  case EHOSTDOWN:
    return 10064;
  case EHOSTUNREACH:
    return 10065;
  case ENOTEMPTY:
    return 10066;
  case EUSERS:
    return 10068;
  case EDQUOT:
    return 10069;
  case ESTALE:
    return 10070;
  case EREMOTE:
    return 10071;
  default:
    return error; // no counterpart: the system's own number
  }
}

int ErrorCodeOfResolver(int result, int error) {
  switch (result) {
  case EAI_NONAME:
#ifdef EAI_NODATA
  case EAI_NODATA:
#endif
    return WSAHOST_NOT_FOUND;
  case EAI_AGAIN:
    return WSATRY_AGAIN;
  case EAI_FAIL:
    return WSANO_RECOVERY;
  case EAI_MEMORY:
    return 10055;
  case EAI_FAMILY:
#ifdef EAI_ADDRFAMILY
  case EAI_ADDRFAMILY:
#endif
    return WSANO_DATA;
  case EAI_SYSTEM:
    return ErrorCodeOfErrno(error);
  default:
    return WSANO_RECOVERY;
  }
}

} // namespace platform::ws
