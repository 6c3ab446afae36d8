#include "net/TNetIOHandler.h"

#include "net/NetExceptions.h"
#include "net/TNetSocketHandle.h"
#include "net/TNetStack.h"

namespace net {

namespace ws = platform::ws;

TNetIOHandlerSocket::TNetIOHandlerSocket() = default;
TNetIOHandlerSocket::~TNetIOHandlerSocket() = default;

void TNetIOHandlerSocket::Open() {
  // Opening again starts from a handle that holds no socket; one still held is closed rather
  // than forgotten, so that it does not leak.
  if (m_binding)
    m_binding->ReleaseHandle();
  else
    m_binding = std::make_unique<TNetSocketHandle>();
}

void TNetIOHandlerSocket::Close() {
  if (m_binding)
    m_binding->ReleaseHandle();
}

bool TNetIOHandlerSocket::IsOpen() {
  return m_binding && m_binding->Allocated();
}

void TNetIOHandlerSocket::ConnectHandler(const std::string& host, int port,
                                         const std::string& boundIP, int boundPort,
                                         int boundPortMin, int boundPortMax, int timeout) {
  if (!m_binding)
    m_binding = std::make_unique<TNetSocketHandle>();
  TNetSocketHandle& binding = *m_binding;
  binding.AllocateHandle(ws::SocketStream, 0);
  binding.IP = boundIP;
  binding.Port = boundPort;
  binding.ClientPortMin = boundPortMin;
  binding.ClientPortMax = boundPortMax;
  binding.BindLocal();

  if (!TNetStack::IsDottedQuad(host))
    DoStatus(hsResolving, host);
  // Every transport component keeps the shared stack alive, this handler included.
  TNetStack& stack = *SharedStack();
  binding.SetPeer(stack.ResolveHostName(host), port);
  if (!UseNagle) {
    const int on = 1;
    ws::SetSockOpt(binding.Handle(), ws::LevelTcp, ws::OptionTcpNoDelay, &on, sizeof on);
  }
  DoStatus(hsConnecting, binding.PeerIP());
  const int result = binding.ConnectHandle(ws::AddressFamilyInet, timeout);
  stack.CheckSocketResult(result);
}

bool TNetIOHandlerSocket::WaitReadable(int timeout) {
  if (!m_binding)
    throw ENetConnClosedGracefully();
  return m_binding->WaitReadable(timeout);
}

int TNetIOHandlerSocket::Receive(void* buffer, int length) {
  if (!IsOpen())
    throw ENetClosedSocket();
  return m_binding->Receive(buffer, length);
}

int TNetIOHandlerSocket::Send(const void* buffer, int length) {
  if (!IsOpen())
    throw ENetClosedSocket();
  return m_binding->Send(buffer, length);
}

TNetSocksInfo& TNetIOHandlerSocket::SocksInfo() {
  if (!m_socksInfo)
    m_socksInfo = std::make_unique<TNetSocksInfo>();
  return *m_socksInfo;
}

} // namespace net
