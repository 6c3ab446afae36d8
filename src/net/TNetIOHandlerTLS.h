#pragma once

#include "net/TNetIOHandler.h"
#include "platform/Tls.h"

#include <memory>
#include <string>

namespace net {

// The socket handler with TLS on top, on the system's own TLS stack. Until StartTLS bytes pass
// as they are, so that a proxy can be asked for a tunnel first; after it, everything read and
// written is the TLS connection's. Each Open starts without TLS again.
class TNetIOHandlerTLS : public TNetIOHandlerSocket {
public:
  TNetIOHandlerTLS();
  ~TNetIOHandlerTLS() override;

  // The handshake with `serverName` (SNI, and the name the certificate must carry), each wait
  // for the server within `timeout` ms (-2: no limit). Raises ENetTLSError with the reason.
  void StartTLS(const std::string& serverName, int timeout);
  bool TLSStarted() const noexcept { return m_session != nullptr; }
  // The server closed the connection without close_notify: what was read until the close may
  // have been cut short on the way.
  bool Truncated() const noexcept;

  void Open() override;
  void Close() override;
  bool WaitReadable(int timeout) override;
  int Receive(void* buffer, int length) override;
  int Send(const void* buffer, int length) override;

private:
  class SocketTransport;
  std::unique_ptr<SocketTransport> m_transport;
  std::unique_ptr<platform::tls::ClientSession> m_session;
};

} // namespace net
