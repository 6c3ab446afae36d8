// The TLS client session on Windows: SChannel through SSPI, over the caller's transport. SChannel
// is handed one whole record at a time (TlsRecords finds them), which makes every record's
// outcome its own and keeps the bytes after it ours. The server's certificate is judged here, by
// hand, after the handshake: SChannel's own check is off (Wine's accepts a self-signed server).
#include "platform/SocketLibrary.h"
#include "platform/Tls.h"
#include "platform/TlsRecords.h"
#include "platform/win32/Unicode.h"

#include <windows.h>

#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS // SCH_CREDENTIALS and TLS_PARAMETERS
#include <wincrypt.h>
// UNICODE_STRING (subauth.h) before the structures that hold it.
// clang-format off
#include <subauth.h>
#include <schannel.h>
#include <security.h>
// clang-format on

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace platform::tls {

namespace {

namespace ws = platform::ws;

constexpr DWORD RequestFlags = ISC_REQ_CONFIDENTIALITY | ISC_REQ_REPLAY_DETECT |
                               ISC_REQ_SEQUENCE_DETECT | ISC_REQ_STREAM | ISC_REQ_ALLOCATE_MEMORY;
constexpr DWORD CredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
constexpr int WaitForever = -2;

std::string Hex(unsigned long status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", status);
  return text;
}

// A token SChannel allocated (ISC_REQ_ALLOCATE_MEMORY), freed when this goes.
struct OutputToken {
  OutputToken() = default;
  ~OutputToken() {
    if (buffer.pvBuffer)
      FreeContextBuffer(buffer.pvBuffer);
  }
  OutputToken(const OutputToken&) = delete;
  OutputToken& operator=(const OutputToken&) = delete;
  SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
};

class CertificateContext {
public:
  explicit CertificateContext(PCCERT_CONTEXT context) : m_context(context) {}
  ~CertificateContext() { CertFreeCertificateContext(m_context); }
  CertificateContext(const CertificateContext&) = delete;
  CertificateContext& operator=(const CertificateContext&) = delete;

private:
  PCCERT_CONTEXT m_context;
};

class ChainContext {
public:
  explicit ChainContext(PCCERT_CHAIN_CONTEXT chain) : m_chain(chain) {}
  ~ChainContext() { CertFreeCertificateChain(m_chain); }
  ChainContext(const ChainContext&) = delete;
  ChainContext& operator=(const ChainContext&) = delete;

private:
  PCCERT_CHAIN_CONTEXT m_chain;
};

// The end of a wait of `timeout` ms (negative: none), and the time left of it for each wait on
// the way.
class Deadline {
public:
  explicit Deadline(int timeout)
      : m_timeout(timeout), m_end(std::chrono::steady_clock::now() +
                                  std::chrono::milliseconds(timeout < 0 ? 0 : timeout)) {}
  int Remaining() const {
    if (m_timeout < 0)
      return m_timeout;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_end - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
  }

private:
  int m_timeout;
  std::chrono::steady_clock::time_point m_end;
};

// Why a certificate failed, from the chain's trust status and the SSL policy's verdict. A chain
// that does not end at a trusted root says nothing about the name or the dates; the name counts
// only for a certificate that is trusted and valid now.
Failure CertificateFailure(DWORD trust, DWORD policy) {
  constexpr DWORD timeBits = CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED |
                             CERT_TRUST_CTL_IS_NOT_TIME_VALID;
  if (trust & ~timeBits)
    return Failure::NotTrusted;
  if ((trust & timeBits) || policy == static_cast<DWORD>(CERT_E_EXPIRED))
    return Failure::Expired;
  if (policy == static_cast<DWORD>(CERT_E_CN_NO_MATCH))
    return Failure::NameMismatch;
  return Failure::NotTrusted;
}

// Credentials for TLS 1.2 and 1.3 with neither SChannel's own certificate check nor a client
// certificate. SCH_CREDENTIALS (Windows 10 1809 and later, and Wine 8) is the only form that
// offers TLS 1.3 where the system has it; older systems refuse it and take SCHANNEL_CRED, where
// TLS 1.2 is the newest they know.
SECURITY_STATUS AcquireCredentials(CredHandle& handle) {
  TimeStamp expiry;
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols =
      ~static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
  SCH_CREDENTIALS credentials{};
  credentials.dwVersion = SCH_CREDENTIALS_VERSION;
  credentials.dwFlags = CredentialFlags;
  credentials.cTlsParameters = 1;
  credentials.pTlsParameters = &parameters;
  const SECURITY_STATUS status =
      AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                nullptr, &credentials, nullptr, nullptr, &handle, &expiry);
  if (status == SEC_E_OK)
    return status;
  SCHANNEL_CRED older{};
  older.dwVersion = SCHANNEL_CRED_VERSION;
  older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  older.dwFlags = CredentialFlags;
  return AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W),
                                   SECPKG_CRED_OUTBOUND, nullptr, &older, nullptr, nullptr, &handle,
                                   &expiry);
}

class SChannelSession final : public ClientSession {
public:
  explicit SChannelSession(Transport& transport) : m_transport(transport) {
    const SECURITY_STATUS status = AcquireCredentials(m_credentials);
    if (status != SEC_E_OK)
      throw ETlsError(Failure::Handshake, "SChannel gives no credentials: " + Hex(status));
  }
  ~SChannelSession() override {
    if (m_haveContext)
      DeleteSecurityContext(&m_context);
    FreeCredentialsHandle(&m_credentials);
  }
  SChannelSession(const SChannelSession&) = delete;
  SChannelSession& operator=(const SChannelSession&) = delete;

  void Handshake(const std::string& serverName, int timeout) override;
  bool WaitReadable(int timeout) override;
  int Receive(void* buffer, int length) override;
  int Send(const void* buffer, int length) override;
  bool Truncated() const noexcept override { return m_truncated; }
  void Shutdown() noexcept override;

private:
  // InitializeSecurityContext's exchange from where the context stands, with the bytes kept as
  // its input, until the context is complete; each wait for the server bounded by `timeout`.
  void Negotiate(int timeout);
  // One receipt from the transport for the handshake: the end, a failure or a wait that ran out
  // raise.
  void ReceiveForHandshake(int timeout);
  // The server's certificate against the system's roots and the server's name.
  void VerifyServer();
  // The first whole record kept: its bytes join the plaintext, or the stream ends with it.
  void DecryptRecord();
  bool SendAll(const void* bytes, std::size_t count);
  // Remembers the failure (the session cannot go on after it) and raises it.
  [[noreturn]] void Fail(Failure failure, const std::string& detail);
  void RequireEstablished() const;
  std::size_t PlainPending() const noexcept { return m_plain.size() - m_plainAt; }

  Transport& m_transport;
  CredHandle m_credentials{};
  CtxtHandle m_context{};
  bool m_haveContext = false;
  DWORD m_requestFlags = RequestFlags;
  std::wstring m_serverName;
  int m_handshakeTimeout = WaitForever;
  SecPkgContext_StreamSizes m_sizes{};
  TlsRecords m_received;     // what the server sent, not yet decrypted
  std::vector<char> m_plain; // decrypted, from m_plainAt on not yet read
  std::size_t m_plainAt = 0;
  std::vector<char> m_sending;
  bool m_established = false;
  bool m_ended = false; // close_notify came, or the connection closed
  bool m_truncated = false;
  bool m_transportFailed = false;
  int m_transportError = 0;
  bool m_shutdownSent = false;
  std::optional<ETlsError> m_broken;
};

void SChannelSession::Fail(Failure failure, const std::string& detail) {
  m_broken.emplace(failure, detail);
  throw *m_broken;
}

void SChannelSession::RequireEstablished() const {
  if (m_broken)
    throw *m_broken;
  if (!m_established)
    throw ETlsError(Failure::Handshake, "no handshake has been made");
}

void SChannelSession::Handshake(const std::string& serverName, int timeout) {
  if (m_broken)
    throw *m_broken;
  if (m_haveContext)
    throw ETlsError(Failure::Handshake, "the handshake has been made already");
  m_serverName = win32::Widen(serverName);
  m_handshakeTimeout = timeout;
  Negotiate(timeout);
  VerifyServer();
  const SECURITY_STATUS status =
      QueryContextAttributesW(&m_context, SECPKG_ATTR_STREAM_SIZES, &m_sizes);
  if (status != SEC_E_OK || m_sizes.cbMaximumMessage == 0)
    Fail(Failure::Handshake, "the stream sizes: " + Hex(status));
  m_established = true;
}

void SChannelSession::Negotiate(int timeout) {
  for (;;) {
    const bool first = !m_haveContext;
    const std::span<std::uint8_t> pending = m_received.Pending();
    SecBuffer input[2] = {
        {static_cast<unsigned long>(pending.size()), SECBUFFER_TOKEN, pending.data()},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
    OutputToken output;
    SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &output.buffer};
    unsigned long attributes = 0;
    // The server's name is the target: SChannel sends it as SNI.
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &m_credentials, first ? nullptr : &m_context,
        m_serverName.empty() ? nullptr : m_serverName.data(), m_requestFlags, 0, 0,
        first ? nullptr : &inputDesc, 0, &m_context, &outputDesc, &attributes, nullptr);
    if (first && !FAILED(status))
      m_haveContext = true;
    if (output.buffer.cbBuffer > 0 && output.buffer.pvBuffer &&
        !SendAll(output.buffer.pvBuffer, output.buffer.cbBuffer))
      Fail(Failure::Transport,
           "sending failed, socket error " + std::to_string(ws::WSAGetLastError()));

    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      ReceiveForHandshake(timeout);
      continue;
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS && !(m_requestFlags & ISC_REQ_USE_SUPPLIED_CREDS)) {
      // The server asks for a client certificate: go on without one, with the same input.
      m_requestFlags |= ISC_REQ_USE_SUPPLIED_CREDS;
      continue;
    }
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED)
      Fail(Failure::Handshake, "InitializeSecurityContext " + Hex(status));
    // What SChannel did not read is at the end of the input (SECBUFFER_EXTRA counts it).
    if (!first)
      m_received.Drop(input[1].BufferType == SECBUFFER_EXTRA ? pending.size() - input[1].cbBuffer
                                                             : pending.size());
    if (status == SEC_E_OK)
      return;
    if (m_received.Check() != TlsRecords::Front::Whole)
      ReceiveForHandshake(timeout);
  }
}

void SChannelSession::ReceiveForHandshake(int timeout) {
  if (!m_transport.WaitReadable(timeout))
    Fail(Failure::Transport, "timed out after " + std::to_string(timeout) + " ms");
  std::array<char, 16 * 1024> buffer;
  const int count = m_transport.Receive(buffer.data(), static_cast<int>(buffer.size()));
  if (count == 0)
    Fail(Failure::Transport, "the server closed the connection");
  if (count < 0)
    Fail(Failure::Transport, "socket error " + std::to_string(ws::WSAGetLastError()));
  m_received.Append(buffer.data(), static_cast<std::size_t>(count));
  if (m_received.Check() == TlsRecords::Front::Oversize)
    Fail(Failure::Handshake, "a record of " + std::to_string(m_received.AnnouncedBodySize()) +
                                 " bytes, longer than TLS allows");
}

void SChannelSession::VerifyServer() {
  PCCERT_CONTEXT certificate = nullptr;
  const SECURITY_STATUS status =
      QueryContextAttributesW(&m_context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate);
  if (status != SEC_E_OK || !certificate)
    Fail(Failure::NotTrusted, "the server sent no certificate: " + Hex(status));
  const CertificateContext certificateHolder(certificate);

  // The intermediates the server sent are in the certificate's own store.
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                               0, nullptr, &chain))
    Fail(Failure::NotTrusted, "no certificate chain: " + win32::SystemErrorText(GetLastError()));
  const ChainContext chainHolder(chain);

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = m_serverName.data();
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS policy{};
  policy.cbSize = sizeof policy;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &policy))
    Fail(Failure::NotTrusted,
         "the SSL policy gave no verdict: " + win32::SystemErrorText(GetLastError()));
  // Both must pass: Wine's policy accepts a chain that stops short of a trusted root.
  const DWORD trust = chain->TrustStatus.dwErrorStatus;
  if (trust == 0 && policy.dwError == 0)
    return;
  Fail(CertificateFailure(trust, policy.dwError),
       "chain status " + Hex(trust) + ", policy status " + Hex(policy.dwError));
}

bool SChannelSession::WaitReadable(int timeout) {
  RequireEstablished();
  const Deadline deadline(timeout);
  for (;;) {
    if (PlainPending() > 0 || m_ended || m_transportFailed)
      return true;
    switch (m_received.Check()) {
    case TlsRecords::Front::Whole:
      DecryptRecord();
      continue;
    case TlsRecords::Front::Oversize:
      Fail(Failure::Handshake, "a record of " + std::to_string(m_received.AnnouncedBodySize()) +
                                   " bytes, longer than TLS allows");
    case TlsRecords::Front::Partial:
      break;
    }
    if (!m_transport.WaitReadable(deadline.Remaining()))
      return false;
    std::array<char, 16 * 1024> buffer;
    const int count = m_transport.Receive(buffer.data(), static_cast<int>(buffer.size()));
    if (count == 0) {
      // The connection closed without close_notify: what came may have been cut short.
      m_ended = true;
      m_truncated = true;
    } else if (count < 0) {
      m_transportFailed = true;
      m_transportError = ws::WSAGetLastError();
    } else {
      m_received.Append(buffer.data(), static_cast<std::size_t>(count));
    }
  }
}

void SChannelSession::DecryptRecord() {
  const std::span<std::uint8_t> record = m_received.Record();
  const std::uint8_t type = record[0];
  SecBuffer buffers[4] = {
      {static_cast<unsigned long>(record.size()), SECBUFFER_DATA, record.data()},
      {0, SECBUFFER_EMPTY, nullptr},
      {0, SECBUFFER_EMPTY, nullptr},
      {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
  const SECURITY_STATUS status = DecryptMessage(&m_context, &desc, 0, nullptr);
  if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
    Fail(Failure::Handshake, "DecryptMessage " + Hex(status));
  std::size_t decrypted = 0;
  std::size_t unread = 0;
  for (const SecBuffer& buffer : buffers) {
    if (buffer.BufferType == SECBUFFER_DATA && buffer.pvBuffer && buffer.cbBuffer > 0) {
      const char* bytes = static_cast<const char*>(buffer.pvBuffer);
      if (m_plainAt == m_plain.size()) {
        m_plain.clear();
        m_plainAt = 0;
      }
      m_plain.insert(m_plain.end(), bytes, bytes + buffer.cbBuffer);
      decrypted += buffer.cbBuffer;
    } else if (buffer.BufferType == SECBUFFER_EXTRA) {
      unread = buffer.cbBuffer;
    }
  }
  m_received.Drop(record.size() - unread);

  if (status == SEC_I_RENEGOTIATE) {
    // A handshake message after the handshake (a TLS 1.3 ticket, a TLS 1.2 renegotiation): the
    // context takes it, with what is kept, as the handshake did; a new certificate is judged
    // again.
    Negotiate(m_handshakeTimeout);
    VerifyServer();
    if (QueryContextAttributesW(&m_context, SECPKG_ATTR_STREAM_SIZES, &m_sizes) != SEC_E_OK)
      Fail(Failure::Handshake, "the stream sizes after a renegotiation");
    return;
  }
  // close_notify: Windows says SEC_I_CONTEXT_EXPIRED; Wine's DecryptMessage answers it with an
  // empty message and SEC_E_OK, as it does an empty application-data record, which differs only
  // by the record's type (authenticated in TLS 1.2). Other alerts fail the call under Wine.
  if (status == SEC_I_CONTEXT_EXPIRED || (decrypted == 0 && type == TlsRecords::Alert))
    m_ended = true;
}

int SChannelSession::Receive(void* buffer, int length) {
  RequireEstablished();
  if (length <= 0)
    return 0;
  if (PlainPending() == 0 && !m_ended && !m_transportFailed)
    WaitReadable(WaitForever);
  if (const std::size_t pending = PlainPending(); pending > 0) {
    const std::size_t count = std::min(pending, static_cast<std::size_t>(length));
    std::memcpy(buffer, m_plain.data() + m_plainAt, count);
    m_plainAt += count;
    return static_cast<int>(count);
  }
  if (m_transportFailed) {
    ws::WSASetLastError(m_transportError);
    return -1;
  }
  return 0;
}

bool SChannelSession::SendAll(const void* bytes, std::size_t count) {
  const char* at = static_cast<const char*>(bytes);
  while (count > 0) {
    const int sent = m_transport.Send(at, static_cast<int>(count));
    if (sent <= 0)
      return false;
    at += sent;
    count -= static_cast<std::size_t>(sent);
  }
  return true;
}

int SChannelSession::Send(const void* buffer, int length) {
  RequireEstablished();
  const char* at = static_cast<const char*>(buffer);
  std::size_t left = length > 0 ? static_cast<std::size_t>(length) : 0;
  const std::size_t header = m_sizes.cbHeader;
  const std::size_t trailer = m_sizes.cbTrailer;
  while (left > 0) {
    const std::size_t chunk = std::min<std::size_t>(left, m_sizes.cbMaximumMessage);
    m_sending.resize(header + chunk + trailer);
    char* message = m_sending.data();
    std::memcpy(message + header, at, chunk);
    SecBuffer buffers[4] = {
        {static_cast<unsigned long>(header), SECBUFFER_STREAM_HEADER, message},
        {static_cast<unsigned long>(chunk), SECBUFFER_DATA, message + header},
        {static_cast<unsigned long>(trailer), SECBUFFER_STREAM_TRAILER, message + header + chunk},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = EncryptMessage(&m_context, 0, &desc, 0);
    if (status != SEC_E_OK)
      Fail(Failure::Handshake, "EncryptMessage " + Hex(status));
    // The record is the three parts as they came out; the trailer may be shorter than its room.
    std::size_t size = 0;
    for (int i = 0; i < 3; ++i) {
      std::memmove(message + size, buffers[i].pvBuffer, buffers[i].cbBuffer);
      size += buffers[i].cbBuffer;
    }
    if (!SendAll(message, size))
      return -1;
    at += chunk;
    left -= chunk;
  }
  return length;
}

void SChannelSession::Shutdown() noexcept {
  if (!m_established || m_shutdownSent || m_transportFailed)
    return;
  m_shutdownSent = true;
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
  if (ApplyControlToken(&m_context, &controlDesc) != SEC_E_OK)
    return;
  OutputToken output;
  SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, &output.buffer};
  unsigned long attributes = 0;
  const SECURITY_STATUS status = InitializeSecurityContextW(
      &m_credentials, &m_context, m_serverName.empty() ? nullptr : m_serverName.data(),
      m_requestFlags, 0, 0, nullptr, 0, &m_context, &outputDesc, &attributes, nullptr);
  if (FAILED(status) || output.buffer.cbBuffer == 0 || !output.buffer.pvBuffer)
    return;
  try {
    SendAll(output.buffer.pvBuffer, output.buffer.cbBuffer);
  } catch (...) {
    // Best effort: the connection is going anyway.
  }
}

} // namespace

std::unique_ptr<ClientSession> NewClientSession(Transport& transport) {
  // Its functions are bound on their first call (delay-loaded): a system without it would stop
  // there, so its presence is asked first.
  static const DWORD loadError = LoadLibraryW(L"secur32.dll") ? 0 : GetLastError();
  if (loadError != 0)
    throw ETlsError(Failure::Handshake,
                    "SChannel is not available: " + win32::SystemErrorText(loadError));
  return std::make_unique<SChannelSession>(transport);
}

} // namespace platform::tls
