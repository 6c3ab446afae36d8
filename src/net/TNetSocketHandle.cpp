#include "net/TNetSocketHandle.h"

#include "net/NetExceptions.h"
#include "net/TNetStack.h"

namespace net {

namespace ws = platform::ws;

namespace {

// The shared stack's check when there is one; the stack-less form raises the same way.
bool Check(int result, std::initializer_list<int> ignored = {}) {
  if (TNetStack* stack = SharedStack())
    return stack->CheckSocketResult(result, ignored);
  if (result != ws::SocketError)
    return false;
  const int code = ws::WSAGetLastError();
  for (int ignoredCode : ignored) {
    if (ignoredCode == code)
      return true;
  }
  TNetStack::RaiseSocketFailure(code);
}

ws::SockAddrIn MakeAddress(int family, const std::string& ip, int port) {
  ws::SockAddrIn address;
  address.sin_family = static_cast<std::uint16_t>(family);
  address.sin_port = ws::Htons(static_cast<std::uint16_t>(port));
  if (!ip.empty())
    address.sin_addr = TNetStack::AddressFromText(ip);
  return address;
}

} // namespace

TNetSocketHandle::TNetSocketHandle() {
  InstallStubErrorHandler();
}

TNetSocketHandle::~TNetSocketHandle() {
  try {
    ReleaseHandle();
  } catch (...) {
    // Closing cannot usefully fail while the handle goes.
  }
}

void TNetSocketHandle::AllocateHandle(int socketType, int protocol) {
  ReleaseHandle();
  const ws::TSocket socket = ws::Socket(ws::AddressFamilyInet, socketType, protocol);
  if (socket == ws::InvalidSocket)
    throw ENetInvalidSocket();
  m_socket = socket;
  m_allocated = true;
}

bool TNetSocketHandle::TryBind(int port) {
  const ws::SockAddrIn address = MakeAddress(ws::AddressFamilyInet, IP, port);
  if (Check(ws::Bind(m_socket, address), {ws::WSAEADDRINUSE}))
    return false;
  ReadLocalAddress();
  return true;
}

void TNetSocketHandle::ReadLocalAddress() {
  ws::SockAddrIn local;
  Check(ws::GetSockName(m_socket, local));
  IP = TNetStack::AddressToText(local.sin_addr);
  Port = ws::Ntohs(local.sin_port);
}

void TNetSocketHandle::BindLocal() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBind(Port))
      throw ENetCouldNotBindSocket();
    return;
  }
  if (ClientPortMax < ClientPortMin)
    throw ENetInvalidPortRange(ClientPortMin, ClientPortMax);
  for (int port = ClientPortMax; port >= ClientPortMin; --port) {
    if (TryBind(port))
      return;
  }
  throw ENetCanNotBindPortInRange(ClientPortMin, ClientPortMax);
}

void TNetSocketHandle::SetPeer(const std::string& address, int port) {
  m_peerIP = address;
  m_peerPort = port;
}

int TNetSocketHandle::ConnectHandle(int family, int timeoutMs) {
  const ws::SockAddrIn peer = MakeAddress(family, m_peerIP, m_peerPort);
  const int result =
      timeoutMs > 0 ? ws::ConnectWithin(m_socket, peer, timeoutMs) : ws::Connect(m_socket, peer);
  if (result != ws::SocketError) {
    ReadLocalAddress();
    ws::SockAddrIn remote;
    Check(ws::GetPeerName(m_socket, remote));
    m_peerIP = TNetStack::AddressToText(remote.sin_addr);
    m_peerPort = ws::Ntohs(remote.sin_port);
  }
  return result;
}

bool TNetSocketHandle::WaitReadable(int timeoutMs) {
  if (!m_allocated)
    throw ENetConnClosedGracefully();
  return ws::WaitReadable(m_socket, timeoutMs) == 1;
}

int TNetSocketHandle::Receive(void* buffer, int length) {
  return ws::Recv(m_socket, buffer, length, 0);
}

int TNetSocketHandle::Send(const void* buffer, int length) {
  return ws::Send(m_socket, buffer, length, 0);
}

void TNetSocketHandle::ReleaseHandle() {
  if (!m_allocated)
    return;
  m_allocated = false;
  const ws::TSocket socket = m_socket;
  m_socket = ws::InvalidSocket;
  ws::Shutdown(socket, ws::ShutdownSend);
  ws::CloseSocket(socket);
}

} // namespace net
