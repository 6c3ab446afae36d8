#pragma once

// The client side of TLS over a connected socket, on each system's own stack: OpenSSL on Linux,
// SChannel (SSPI) on Windows. TLS 1.2 and 1.3 only; the server name goes out as SNI and the
// server's certificate must chain to the system's trust store and carry that name. Nothing turns
// the verification off.

#include "platform/Exceptions.h"

#include <memory>
#include <string>

namespace platform::tls {

// The plain connection a session runs over, as the socket handler offers it.
class Transport {
public:
  virtual ~Transport() = default;
  // True when bytes (or the peer's close) wait within `timeout` ms (-2: no limit).
  virtual bool WaitReadable(int timeout) = 0;
  // At most `length` bytes: the count, 0 when the peer has closed, or -1 with the error code in
  // the socket library's last error.
  virtual int Receive(void* buffer, int length) = 0;
  virtual int Send(const void* buffer, int length) = 0;
};

// Why a handshake failed, in words both systems (and the download engine) use.
enum class Failure {
  NotTrusted,   // the chain does not end at a trusted root (self-signed, unknown issuer)
  NameMismatch, // the certificate is for another name
  Expired,      // outside its validity period
  Handshake,    // no common version or cipher, an alert, a broken record
  Transport,    // the connection failed, closed or timed out during the handshake
  Truncated,    // closed without close_notify while bytes were still owed
};
const char* FailureText(Failure failure);

// A TLS failure: its kind, and a message naming it with the stack's own detail.
class ETlsError : public Exception {
public:
  ETlsError(Failure failure, const std::string& detail)
      : Exception(std::string("TLS: ") + FailureText(failure) +
                  (detail.empty() ? std::string() : " (" + detail + ")")),
        m_failure(failure) {}
  Failure Kind() const noexcept { return m_failure; }

private:
  Failure m_failure;
};

// One TLS connection as a client. Every wait is bounded by the `timeout` passed in (ms; -2: no
// limit); a session is used by one thread at a time.
class ClientSession {
public:
  virtual ~ClientSession() = default;
  // The whole handshake with `serverName`; raises ETlsError, with the certificate's reason when
  // the server is not trusted. `timeout` bounds each wait for the server.
  virtual void Handshake(const std::string& serverName, int timeout) = 0;
  // True when decrypted bytes are ready or the stream has ended (Receive then says which);
  // false when `timeout` ran out first. Raises ETlsError for a broken record or a fatal alert.
  virtual bool WaitReadable(int timeout) = 0;
  // At most `length` decrypted bytes: the count; 0 once the stream has ended (the server's
  // close_notify, or a close without it: see Truncated); -1 when the transport failed, with its
  // error code in the socket library's last error.
  virtual int Receive(void* buffer, int length) = 0;
  // Sends all `length` bytes encrypted: `length`, or -1 when the transport failed.
  virtual int Send(const void* buffer, int length) = 0;
  // The server closed the connection without close_notify: bytes read until the close may be
  // cut short by an attacker.
  virtual bool Truncated() const noexcept = 0;
  // Sends close_notify if the connection still stands; never waits for the answer.
  virtual void Shutdown() noexcept = 0;
};

// A session over `transport`, which must outlive it. Raises ETlsError when the system's TLS
// library is not available.
std::unique_ptr<ClientSession> NewClientSession(Transport& transport);

} // namespace platform::tls
