#pragma once

#include "platform/SocketLibrary.h"

#include <string>

namespace net {

// One IPv4 stream socket with its local and peer address.
class TNetSocketHandle {
public:
  TNetSocketHandle();
  ~TNetSocketHandle();
  TNetSocketHandle(const TNetSocketHandle&) = delete;
  TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;

  // Local address and port to bind to (empty, 0: any); after binding or connecting, the ones
  // in use.
  std::string IP;
  int Port = 0;
  // Local ports tried when binding, from the top down; 0 and 0: none.
  int ClientPortMin = 0;
  int ClientPortMax = 0;

  // Opens a new socket, after releasing any held one. Raises ENetInvalidSocket.
  void AllocateHandle(int socketType, int protocol);
  // Binds to IP:Port, or to a port of the client range.
  void BindLocal();
  void SetPeer(const std::string& address, int port);
  // Connects to the peer; returns the library's result (0 or -1) unchanged, reading back the
  // local and peer addresses on success. A timeout above 0 bounds the connect.
  int ConnectHandle(int family, int timeoutMs = 0);
  // True when the socket is readable within `timeoutMs` (-2: no limit). Raises
  // ENetConnClosedGracefully when no socket is held.
  bool WaitReadable(int timeoutMs);
  int Receive(void* buffer, int length);
  int Send(const void* buffer, int length);
  // Shuts down the sending side and closes the socket; nothing when none is held.
  void ReleaseHandle();

  bool Allocated() const noexcept { return m_allocated; }
  platform::ws::TSocket Handle() const noexcept { return m_socket; }
  const std::string& PeerIP() const noexcept { return m_peerIP; }
  int PeerPort() const noexcept { return m_peerPort; }

private:
  bool TryBind(int port);
  void ReadLocalAddress();

  platform::ws::TSocket m_socket = platform::ws::InvalidSocket;
  bool m_allocated = false;
  std::string m_peerIP;
  int m_peerPort = 0;
};

} // namespace net
