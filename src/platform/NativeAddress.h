#pragma once

// The IPv4 address record in the system's own form, read and written alike on each system; the
// system's header gives the types.

#include "platform/SocketLibrary.h"

#include <cstring>

namespace platform::ws::detail {

template <typename Native> Native ToNative(const SockAddrIn& address) {
  Native native{};
  native.sin_family = static_cast<decltype(native.sin_family)>(address.sin_family);
  native.sin_port = address.sin_port;
  std::memcpy(&native.sin_addr, address.sin_addr.data(), 4);
  return native;
}

template <typename Native> SockAddrIn FromNative(const Native& native) {
  SockAddrIn address;
  address.sin_family = native.sin_family;
  address.sin_port = native.sin_port;
  std::memcpy(address.sin_addr.data(), &native.sin_addr, 4);
  return address;
}

// Reads one of a socket's addresses with `call`, the bound getsockname or getpeername (nothing
// when it could not be bound), which takes the `Native` record as a `Generic*`; `fail` reports
// the call's failure.
template <typename Native, typename Generic, typename Length, typename Fn, typename Handle,
          typename Failure>
int ReadAddress(Fn call, Handle socket, SockAddrIn& address, Failure fail) {
  if (!call)
    return SocketError;
  Native native{};
  Length length = sizeof native;
  if (call(socket, reinterpret_cast<Generic*>(&native), &length) != 0)
    return fail();
  address = FromNative(native);
  return 0;
}

// Looks `name` up for an IPv4 stream address with the bound getaddrinfo and freeaddrinfo (nothing
// when either could not be bound): the first address, or nothing with `codeOf(result)`, the code
// of the lookup's result, as the last error.
template <typename Native, typename Answer, typename GetAddrInfo, typename FreeAddrInfo,
          typename CodeOf>
std::optional<std::array<std::uint8_t, 4>> LookUp(const char* name, GetAddrInfo getaddrinfo,
                                                  FreeAddrInfo freeaddrinfo, int family, int type,
                                                  CodeOf codeOf) {
  if (!getaddrinfo || !freeaddrinfo)
    return std::nullopt;
  Answer hints{};
  hints.ai_family = family;
  hints.ai_socktype = type;
  Answer* answer = nullptr;
  const int result = getaddrinfo(name, nullptr, &hints, &answer);
  if (result != 0 || !answer) {
    WSASetLastError(codeOf(result));
    return std::nullopt;
  }
  const SockAddrIn first = FromNative(*reinterpret_cast<const Native*>(answer->ai_addr));
  freeaddrinfo(answer);
  return first.sin_addr;
}

} // namespace platform::ws::detail
