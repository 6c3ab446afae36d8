#include "platform/Tls.h"
#include "platform/posix/OpenSslAtExit.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <memory>

namespace platform::tls {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int NoLimit = -2;

// The time left of a wait that began at `start` for `timeout` ms (NoLimit stays NoLimit).
int Remaining(Clock::time_point start, int timeout) {
  if (timeout < 0)
    return NoLimit;
  const auto spent =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  return static_cast<int>(std::max<long long>(0, timeout - spent));
}

// The library's own words for what went wrong last on this thread, and the queue emptied.
std::string LibraryError() {
  std::string text;
  while (const unsigned long code = ERR_get_error()) {
    char line[256];
    ERR_error_string_n(code, line, sizeof line);
    if (!text.empty())
      text += "; ";
    text += line;
  }
  return text;
}

Failure FailureOfVerifyResult(long result) {
  switch (result) {
  case X509_V_ERR_CERT_HAS_EXPIRED:
  case X509_V_ERR_CERT_NOT_YET_VALID:
    return Failure::Expired;
  case X509_V_ERR_HOSTNAME_MISMATCH:
  case X509_V_ERR_IP_ADDRESS_MISMATCH:
    return Failure::NameMismatch;
  default:
    return Failure::NotTrusted;
  }
}

bool IsAddressLiteral(const std::string& name) {
  unsigned char address[16];
  return inet_pton(AF_INET, name.c_str(), address) == 1 ||
         inet_pton(AF_INET6, name.c_str(), address) == 1;
}

// One connection over memory buffers: OpenSSL never touches the socket, so every wait goes
// through the transport under the caller's time limit, as the plain connection's do.
class OpenSslSession final : public ClientSession {
public:
  explicit OpenSslSession(Transport& transport) : m_transport(transport) {}

  ~OpenSslSession() override {
    if (m_ssl)
      SSL_free(m_ssl); // frees both buffers too
    if (m_context)
      SSL_CTX_free(m_context);
  }

  void Handshake(const std::string& serverName, int timeout) override {
    ERR_clear_error();
    m_context = SSL_CTX_new(TLS_client_method());
    if (!m_context)
      throw ETlsError(Failure::Handshake, LibraryError());
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(m_context) != 1)
      throw ETlsError(Failure::NotTrusted, "the system's trust store: " + LibraryError());
    m_ssl = SSL_new(m_context);
    BIO* incoming = BIO_new(BIO_s_mem());
    BIO* outgoing = BIO_new(BIO_s_mem());
    if (!m_ssl || !incoming || !outgoing) {
      BIO_free(incoming);
      BIO_free(outgoing);
      throw ETlsError(Failure::Handshake, LibraryError());
    }
    SSL_set_bio(m_ssl, incoming, outgoing);
    m_incoming = incoming;
    m_outgoing = outgoing;
    SSL_set_connect_state(m_ssl);
    // An address is checked against the certificate's IP entries and never sent as SNI.
    if (IsAddressLiteral(serverName)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), serverName.c_str());
    } else {
      SSL_set_tlsext_host_name(m_ssl, serverName.c_str());
      SSL_set_hostflags(m_ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      SSL_set1_host(m_ssl, serverName.c_str());
    }

    const Clock::time_point start = Clock::now();
    while (true) {
      const int result = SSL_do_handshake(m_ssl);
      if (!Flush())
        throw ETlsError(Failure::Transport, "sending failed");
      if (result == 1)
        return;
      const int error = SSL_get_error(m_ssl, result);
      if (error != SSL_ERROR_WANT_READ) {
        const long verify = SSL_get_verify_result(m_ssl);
        if (verify != X509_V_OK) {
          ERR_clear_error();
          throw ETlsError(FailureOfVerifyResult(verify), X509_verify_cert_error_string(verify));
        }
        throw ETlsError(Failure::Handshake, LibraryError());
      }
      switch (Pull(Remaining(start, timeout))) {
      case PullResult::Bytes:
        break;
      case PullResult::TimedOut:
        throw ETlsError(Failure::Transport, "the server did not answer in time");
      case PullResult::Closed:
        throw ETlsError(Failure::Transport, "the server closed the connection");
      case PullResult::Failed:
        throw ETlsError(Failure::Transport, "receiving failed");
      }
    }
  }

  bool WaitReadable(int timeout) override {
    const Clock::time_point start = Clock::now();
    while (m_plainStart == m_plainEnd && !m_ended && !m_failed) {
      ERR_clear_error();
      std::size_t read = 0;
      const int result = SSL_read_ex(m_ssl, m_plain.get(), PlainSize, &read);
      m_plainStart = 0;
      m_plainEnd = result == 1 ? read : 0;
      if (result == 1)
        break;
      const int error = SSL_get_error(m_ssl, result);
      if (error == SSL_ERROR_ZERO_RETURN) {
        m_ended = true; // close_notify
        break;
      }
      if (error != SSL_ERROR_WANT_READ)
        throw ETlsError(Failure::Handshake, LibraryError());
      // A key update or a ticket may want an answer before more comes.
      if (!Flush()) {
        m_failed = true;
        break;
      }
      switch (Pull(Remaining(start, timeout))) {
      case PullResult::Bytes:
        break;
      case PullResult::TimedOut:
        return false;
      case PullResult::Closed:
        m_ended = true;
        m_truncated = true;
        break;
      case PullResult::Failed:
        m_failed = true;
        break;
      }
    }
    return true;
  }

  int Receive(void* buffer, int length) override {
    if (m_plainStart == m_plainEnd && !m_ended && !m_failed)
      WaitReadable(NoLimit);
    if (m_plainStart < m_plainEnd) {
      const std::size_t count =
          std::min(m_plainEnd - m_plainStart, static_cast<std::size_t>(std::max(length, 0)));
      std::memcpy(buffer, m_plain.get() + m_plainStart, count);
      m_plainStart += count;
      return static_cast<int>(count);
    }
    return m_failed ? -1 : 0;
  }

  int Send(const void* buffer, int length) override {
    ERR_clear_error();
    std::size_t written = 0;
    if (length > 0 && SSL_write_ex(m_ssl, buffer, static_cast<std::size_t>(length), &written) != 1)
      throw ETlsError(Failure::Handshake, LibraryError());
    return Flush() ? length : -1;
  }

  bool Truncated() const noexcept override { return m_truncated; }

  void Shutdown() noexcept override {
    if (!m_ssl || m_failed || !SSL_is_init_finished(m_ssl))
      return;
    SSL_shutdown(m_ssl);
    Flush();
    ERR_clear_error();
  }

private:
  enum class PullResult { Bytes, TimedOut, Closed, Failed };

  // Sends every byte the library has written; false when the transport failed.
  bool Flush() {
    char chunk[16384];
    while (BIO_ctrl_pending(m_outgoing) > 0) {
      const int count = BIO_read(m_outgoing, chunk, sizeof chunk);
      for (int sent = 0; sent < count;) {
        const int result = m_transport.Send(chunk + sent, count - sent);
        if (result <= 0)
          return false;
        sent += result;
      }
    }
    return true;
  }

  // One wait and one receive from the transport into the library's input.
  PullResult Pull(int timeout) {
    if (!m_transport.WaitReadable(timeout))
      return PullResult::TimedOut;
    char chunk[16384];
    const int count = m_transport.Receive(chunk, sizeof chunk);
    if (count == 0)
      return PullResult::Closed;
    if (count < 0)
      return PullResult::Failed;
    BIO_write(m_incoming, chunk, count);
    return PullResult::Bytes;
  }

  Transport& m_transport;
  SSL_CTX* m_context = nullptr;
  SSL* m_ssl = nullptr;
  BIO* m_incoming = nullptr;
  BIO* m_outgoing = nullptr;
  // Decrypted bytes not yet taken: [m_plainStart, m_plainEnd).
  static constexpr std::size_t PlainSize = 16384;
  std::unique_ptr<char[]> m_plain = std::make_unique_for_overwrite<char[]>(PlainSize);
  std::size_t m_plainStart = 0;
  std::size_t m_plainEnd = 0;
  bool m_ended = false;
  bool m_truncated = false;
  bool m_failed = false;
};

} // namespace

std::unique_ptr<ClientSession> NewClientSession(Transport& transport) {
  posix::LeaveOpenSslStateAtExit();
  return std::make_unique<OpenSslSession>(transport);
}

} // namespace platform::tls
