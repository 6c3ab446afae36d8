#include "net/TNetIOHandlerTLS.h"

#include "net/NetExceptions.h"

namespace net {

namespace {

// Runs `step` with the TLS stack's failures raised as the transport's own.
template <typename Step> auto Translated(Step&& step) {
  try {
    return step();
  } catch (const platform::tls::ETlsError& e) {
    throw ENetTLSError(e.Kind(), e.what());
  }
}

} // namespace

// The session's view of the socket under it: the plain handler's own calls.
class TNetIOHandlerTLS::SocketTransport final : public platform::tls::Transport {
public:
  explicit SocketTransport(TNetIOHandlerTLS& handler) : m_handler(handler) {}
  bool WaitReadable(int timeout) override {
    return m_handler.TNetIOHandlerSocket::WaitReadable(timeout);
  }
  int Receive(void* buffer, int length) override {
    return m_handler.TNetIOHandlerSocket::Receive(buffer, length);
  }
  int Send(const void* buffer, int length) override {
    return m_handler.TNetIOHandlerSocket::Send(buffer, length);
  }

private:
  TNetIOHandlerTLS& m_handler;
};

TNetIOHandlerTLS::TNetIOHandlerTLS() : m_transport(std::make_unique<SocketTransport>(*this)) {}

TNetIOHandlerTLS::~TNetIOHandlerTLS() = default;

void TNetIOHandlerTLS::StartTLS(const std::string& serverName, int timeout) {
  if (!IsOpen())
    throw ENetClosedSocket();
  m_session = Translated([&] {
    auto session = platform::tls::NewClientSession(*m_transport);
    session->Handshake(serverName, timeout);
    return session;
  });
}

bool TNetIOHandlerTLS::Truncated() const noexcept {
  return m_session && m_session->Truncated();
}

void TNetIOHandlerTLS::Open() {
  m_session.reset();
  TNetIOHandlerSocket::Open();
}

void TNetIOHandlerTLS::Close() {
  if (m_session && IsOpen())
    m_session->Shutdown();
  TNetIOHandlerSocket::Close();
}

bool TNetIOHandlerTLS::WaitReadable(int timeout) {
  if (!m_session)
    return TNetIOHandlerSocket::WaitReadable(timeout);
  return Translated([&] { return m_session->WaitReadable(timeout); });
}

int TNetIOHandlerTLS::Receive(void* buffer, int length) {
  if (!m_session)
    return TNetIOHandlerSocket::Receive(buffer, length);
  if (!IsOpen())
    throw ENetClosedSocket();
  return Translated([&] { return m_session->Receive(buffer, length); });
}

int TNetIOHandlerTLS::Send(const void* buffer, int length) {
  if (!m_session)
    return TNetIOHandlerSocket::Send(buffer, length);
  if (!IsOpen())
    throw ENetClosedSocket();
  return Translated([&] { return m_session->Send(buffer, length); });
}

} // namespace net
