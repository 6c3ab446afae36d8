// The socket layer on Windows: ws2_32.dll loaded by name and each function looked up by name on
// its first call; codes straight from WSAGetLastError.
#include "platform/SocketLibrary.h"

#include "platform/NativeAddress.h"
#include "platform/SocketEntry.h"
#include "platform/win32/Unicode.h"

#include <chrono>
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#undef LoadLibrary

namespace platform::ws {

const char* const LibraryName = "ws2_32.dll";

namespace {

detail::Entry<int(WSAAPI*)(WORD, LPWSADATA)> s_startup("WSAStartup");
detail::Entry<int(WSAAPI*)()> s_cleanup("WSACleanup");
detail::Entry<int(WSAAPI*)()> s_getLastError("WSAGetLastError");
detail::Entry<SOCKET(WSAAPI*)(int, int, int)> s_socket("socket");
detail::Entry<int(WSAAPI*)(SOCKET, const sockaddr*, int)> s_bind("bind");
detail::Entry<int(WSAAPI*)(SOCKET, const sockaddr*, int)> s_connect("connect");
detail::Entry<int(WSAAPI*)(SOCKET, sockaddr*, int*)> s_getsockname("getsockname");
detail::Entry<int(WSAAPI*)(SOCKET, sockaddr*, int*)> s_getpeername("getpeername");
detail::Entry<int(WSAAPI*)(SOCKET, int, int, char*, int*)> s_getsockopt("getsockopt");
detail::Entry<int(WSAAPI*)(SOCKET, int, int, const char*, int)> s_setsockopt("setsockopt");
detail::Entry<int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*)> s_select("select");
detail::Entry<int(WSAAPI*)(SOCKET, char*, int, int)> s_recv("recv");
detail::Entry<int(WSAAPI*)(SOCKET, const char*, int, int)> s_send("send");
detail::Entry<int(WSAAPI*)(SOCKET, int)> s_shutdown("shutdown");
detail::Entry<int(WSAAPI*)(SOCKET)> s_closesocket("closesocket");
detail::Entry<int(WSAAPI*)(SOCKET, long, u_long*)> s_ioctlsocket("ioctlsocket");
detail::Entry<int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**)>
    s_getaddrinfo("getaddrinfo");
detail::Entry<void(WSAAPI*)(addrinfo*)> s_freeaddrinfo("freeaddrinfo");

// Socket handles are kernel handles, whose values fit in 32 bits; the layer above keeps ints.
SOCKET Native(TSocket socket) {
  return socket < 0 ? INVALID_SOCKET : static_cast<SOCKET>(static_cast<unsigned>(socket));
}

int Fail() {
  auto last = s_getLastError.Get();
  WSASetLastError(last ? last() : WSANOTINITIALISED);
  return SocketError;
}

// select() on one socket for reading or writing (a failed connect shows as an exception).
int WaitFor(TSocket socket, bool write, int timeoutMs) {
  auto select = s_select.Get();
  if (!select)
    return SocketError;
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(Native(socket), &ready);
  FD_SET(Native(socket), &failed);
  timeval limit{};
  limit.tv_sec = timeoutMs / 1000;
  limit.tv_usec = (timeoutMs % 1000) * 1000;
  const int result = select(0, write ? nullptr : &ready, write ? &ready : nullptr,
                            write ? &failed : nullptr, timeoutMs < 0 ? nullptr : &limit);
  if (result < 0)
    return Fail();
  return result > 0 ? 1 : 0;
}

int SetBlocking(TSocket socket, bool blocking) {
  auto ioctlsocket = s_ioctlsocket.Get();
  if (!ioctlsocket)
    return SocketError;
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(Native(socket), FIONBIO, &nonBlocking) != 0 ? Fail() : 0;
}

} // namespace

namespace detail {

void* OpenSystemLibrary(LoadFailure& failure) {
  if (HMODULE library = LoadLibraryA(LibraryName))
    return library;
  const DWORD code = GetLastError();
  failure = LoadFailure{static_cast<int>(code), win32::SystemErrorText(code)};
  return nullptr;
}

void* FindSystemFunction(void* library, const char* name, std::string& why) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
  if (!address)
    why = win32::SystemErrorText(GetLastError());
  return reinterpret_cast<void*>(address);
}

void CloseSystemLibrary(void*) {
  // Left loaded: the system unloads it with the process.
}

int StartSystemLibrary(std::uint16_t version) {
  auto startup = s_startup.Get();
  if (!startup)
    return ErrorProcNotFound;
  WSADATA data{};
  const int result = startup(version, &data);
  if (result != 0)
    return result;
  if (data.wVersion != version) {
    if (auto cleanup = s_cleanup.Get())
      cleanup();
    return WSAVERNOTSUPPORTED;
  }
  return 0;
}

int CleanupSystemLibrary() {
  auto cleanup = s_cleanup.Get();
  return cleanup ? cleanup() : 0;
}

} // namespace detail

TSocket Socket(int family, int type, int protocol) {
  auto socket = s_socket.Get();
  if (!socket)
    return InvalidSocket;
  const SOCKET result = socket(family, type, protocol);
  if (result == INVALID_SOCKET)
    return Fail();
  // Not inherited by programs the updater starts.
  SetHandleInformation(reinterpret_cast<HANDLE>(result), HANDLE_FLAG_INHERIT, 0);
  return static_cast<TSocket>(result);
}

int Bind(TSocket socket, const SockAddrIn& address) {
  auto bind = s_bind.Get();
  if (!bind)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  return bind(Native(socket), reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0
             ? Fail()
             : 0;
}

int Connect(TSocket socket, const SockAddrIn& address) {
  auto connect = s_connect.Get();
  if (!connect)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  return connect(Native(socket), reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0
             ? Fail()
             : 0;
}

int ConnectWithin(TSocket socket, const SockAddrIn& address, int timeoutMs) {
  auto connect = s_connect.Get();
  auto getsockopt = s_getsockopt.Get();
  if (!connect || !getsockopt || SetBlocking(socket, false) != 0)
    return SocketError;
  const sockaddr_in native = detail::ToNative<sockaddr_in>(address);
  int error = 0;
  if (connect(Native(socket), reinterpret_cast<const sockaddr*>(&native), sizeof native) != 0) {
    Fail();
    error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
      const int ready = WaitFor(socket, true, timeoutMs);
      if (ready == 0) {
        error = WSAETIMEDOUT;
      } else if (ready < 0) {
        error = WSAGetLastError();
      } else {
        int soError = 0;
        int length = sizeof soError;
        error = getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError),
                           &length) != 0
                    ? (Fail(), WSAGetLastError())
                    : soError;
      }
    }
  }
  SetBlocking(socket, true);
  WSASetLastError(error);
  return error == 0 ? 0 : SocketError;
}

int GetSockName(TSocket socket, SockAddrIn& address) {
  return detail::ReadAddress<sockaddr_in, sockaddr, int>(s_getsockname.Get(), Native(socket),
                                                         address, Fail);
}

int GetPeerName(TSocket socket, SockAddrIn& address) {
  return detail::ReadAddress<sockaddr_in, sockaddr, int>(s_getpeername.Get(), Native(socket),
                                                         address, Fail);
}

int WaitReadable(TSocket socket, int timeoutMs) {
  return WaitFor(socket, false, timeoutMs == WaitForever ? -1 : timeoutMs);
}

int Recv(TSocket socket, void* buffer, int length, int flags) {
  auto recv = s_recv.Get();
  if (!recv)
    return SocketError;
  const int result = recv(Native(socket), static_cast<char*>(buffer), length, flags);
  return result < 0 ? Fail() : result;
}

int Send(TSocket socket, const void* buffer, int length, int flags) {
  auto send = s_send.Get();
  if (!send)
    return SocketError;
  const int result = send(Native(socket), static_cast<const char*>(buffer), length, flags);
  return result < 0 ? Fail() : result;
}

int Shutdown(TSocket socket, int how) {
  auto shutdown = s_shutdown.Get();
  if (!shutdown)
    return SocketError;
  return shutdown(Native(socket), how) != 0 ? Fail() : 0;
}

int CloseSocket(TSocket socket) {
  auto closesocket = s_closesocket.Get();
  if (!closesocket)
    return SocketError;
  return closesocket(Native(socket)) != 0 ? Fail() : 0;
}

int SetSockOpt(TSocket socket, int level, int option, const void* value, int length) {
  auto setsockopt = s_setsockopt.Get();
  if (!setsockopt)
    return SocketError;
  return setsockopt(Native(socket), level, option, static_cast<const char*>(value), length) != 0
             ? Fail()
             : 0;
}

std::optional<std::array<std::uint8_t, 4>> GetHostByName(const char* name) {
  // getaddrinfo's results are the Winsock codes themselves.
  return detail::LookUp<sockaddr_in, addrinfo>(
      name, s_getaddrinfo.Get(), s_freeaddrinfo.Get(), AF_INET, SOCK_STREAM,
      [](int result) { return result != 0 ? result : WSAHOST_NOT_FOUND; });
}

// The system's codes are already Winsock's.
int ErrorCodeOfErrno(int error) {
  return error;
}

int ErrorCodeOfResolver(int result, int error) {
  return result != 0 ? result : error;
}

} // namespace platform::ws
