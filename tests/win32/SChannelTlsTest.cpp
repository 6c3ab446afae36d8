// The TLS session on SChannel against real servers: the system's OpenSSL on the Linux side
// (tests/win32/tls_peer.py, started from here: Wine starts a Unix program it is asked to) with
// the certificates of scripts/lib/test-tls.sh, whose authority the tests' namespace trusts; and a
// scripted server that never answers.
#include "ScriptedServer.h"
#include "ServerSocket.h"
#include "net/TNetIOHandler.h"
#include "platform/SocketLibrary.h"
#include "platform/Tls.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <windows.h>

namespace {

using namespace testsupport;
using platform::tls::ETlsError;
using platform::tls::Failure;

const std::string ServerName = "tls.kolvarin.example";
constexpr int Timeout = 10000;

// The servers of tls_peer.py, running while this lives: it connects back to a control port of
// ours, names its ports there, reports how each connection ended, and ends when the control
// connection closes (also when this program dies).
class TlsPeer {
public:
  explicit TlsPeer(const std::string& certificates) {
    std::uint16_t port = 0;
    m_listener = ListenOnLoopback(0, 1, port);
    // Wine runs a Unix program it is asked to start; it gives no handle to it.
    std::wstring command = L"Z:\\usr\\bin\\python3 \"" + Wide(KOLVARIN_TLS_PEER) + L"\" \"" +
                           Wide(certificates) + L"\" " + std::to_wstring(port);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
      return;
    if (process.hProcess)
      CloseHandle(process.hProcess);
    if (process.hThread)
      CloseHandle(process.hThread);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (m_control < 0 && std::chrono::steady_clock::now() < deadline)
      m_control = AcceptOrWait(m_listener, m_wake);
    if (m_control < 0)
      return;
    for (std::string line; (line = NextLine()) != "ready" && !line.empty();)
      m_ports[line.substr(0, line.find(' '))] =
          static_cast<std::uint16_t>(std::stoi(line.substr(line.find(' ') + 1)));
  }
  ~TlsPeer() {
    if (m_control >= 0)
      CloseSocket(m_control);
    CloseSocket(m_listener);
  }
  TlsPeer(const TlsPeer&) = delete;
  TlsPeer& operator=(const TlsPeer&) = delete;

  bool Ready() const { return m_ports.size() == 6; }
  std::uint16_t Port(const std::string& name) const { return m_ports.at(name); }
  // The next report of how a connection ended ("NAME HOW after N bytes", N the bytes of the
  // request it read); empty when none comes in time.
  std::string NextLine() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
    std::size_t end;
    while ((end = m_lines.find('\n')) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline)
        return {};
      if (!WaitReadable(m_control, 100))
        continue;
      char buffer[512];
      const int count = ReceiveSome(m_control, buffer, sizeof buffer);
      if (count <= 0)
        return {};
      m_lines.append(buffer, static_cast<std::size_t>(count));
    }
    std::string line = m_lines.substr(0, end);
    m_lines.erase(0, end + 1);
    return line;
  }

private:
  static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }

  int m_listener = -1;
  int m_control = -1;
  AcceptWake m_wake;
  std::string m_lines;
  std::map<std::string, std::uint16_t> m_ports;
};

// The session's transport: the program's own socket handler, connected.
class SocketTransport : public platform::tls::Transport {
public:
  explicit SocketTransport(std::uint16_t port) {
    m_socket.ConnectHandler(ServerName, port, "", 0, 0, 0, Timeout);
  }
  bool WaitReadable(int timeout) override { return m_socket.WaitReadable(timeout); }
  int Receive(void* buffer, int length) override { return m_socket.Receive(buffer, length); }
  int Send(const void* buffer, int length) override { return m_socket.Send(buffer, length); }

private:
  net::TNetIOHandlerSocket m_socket;
};

class SChannelTls : public ::testing::Test {
protected:
  void SetUp() override {
    const char* certificates = std::getenv("KOLVARIN_TEST_TLS");
    if (!certificates || !*certificates)
      GTEST_SKIP() << "needs the test certificates and namespace of scripts/test";
    m_peer = std::make_unique<TlsPeer>(certificates);
    ASSERT_TRUE(m_peer->Ready()) << "tls_peer.py did not start";
  }
  std::unique_ptr<TlsPeer> m_peer;
};

// Everything the session gives until it ends, each wait bounded; nullopt when a wait runs out.
std::optional<std::string> ReadToEnd(platform::tls::ClientSession& session) {
  std::string received;
  char buffer[5000];
  for (;;) {
    if (!session.WaitReadable(Timeout))
      return std::nullopt;
    const int count = session.Receive(buffer, sizeof buffer);
    if (count <= 0)
      return received;
    received.append(buffer, static_cast<std::size_t>(count));
  }
}

// A request longer than one record takes, so that it goes out in several.
std::string LongRequest() {
  std::string request;
  for (int i = 0; request.size() < 40000; ++i)
    request += "line " + std::to_string(i) + " of the request; ";
  return request + "\n";
}

TEST_F(SChannelTls, EachServerEndsAsItsCertificateAndItsCloseSay) {
  // Accepts, reads the ClientHello's first bytes and answers nothing.
  ScriptedServer silent({ReadUntil(std::string("\x16\x03", 2)), Hold(60000)}, 0, "127.0.0.5");
  enum class End { RoundTrip, Refused, Truncated, TimedOut };
  struct Case {
    const char* server;
    End end;
    Failure failure; // for Refused and TimedOut
    std::string request;
  };
  const Case cases[] = {
      {"good", End::RoundTrip, {}, LongRequest()},
      {"self-signed", End::Refused, Failure::NotTrusted, "x\n"},
      {"other-name", End::Refused, Failure::NameMismatch, "x\n"},
      {"expired", End::Refused, Failure::Expired, "x\n"},
      // Wine's SSL policy passes this chain: the chain's own status must say no.
      {"unknown-issuer", End::Refused, Failure::NotTrusted, "x\n"},
      {"truncated", End::Truncated, {}, "the answer stops halfway through this line\n"},
      {"silent", End::TimedOut, Failure::Transport, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    const std::uint16_t port =
        std::string(c.server) == "silent" ? silent.Port() : m_peer->Port(c.server);
    auto transport = std::make_unique<SocketTransport>(port);
    auto session = platform::tls::NewClientSession(*transport);
    if (c.end == End::Refused || c.end == End::TimedOut) {
      const int timeout = c.end == End::TimedOut ? 1500 : Timeout;
      try {
        session->Handshake(ServerName, timeout);
        ADD_FAILURE() << "the handshake went through";
      } catch (const ETlsError& error) {
        EXPECT_EQ(error.Kind(), c.failure) << error.what();
        // The system's own detail: the statuses of the check, or the wait.
        EXPECT_NE(std::string(error.what()).find(c.end == End::TimedOut ? "timed out" : "0x"),
                  std::string::npos)
            << error.what();
      }
      session.reset();
      transport.reset();
      // The server saw the connection end without a byte of the request.
      if (c.end == End::Refused)
        EXPECT_EQ(m_peer->NextLine(), std::string(c.server) + " client-eof after 0 bytes");
      else
        EXPECT_EQ(silent.Received(0).substr(0, 2), std::string("\x16\x03", 2));
      continue;
    }
    session->Handshake(ServerName, Timeout);
    ASSERT_EQ(session->Send(c.request.data(), static_cast<int>(c.request.size())),
              static_cast<int>(c.request.size()));
    const std::optional<std::string> answer = ReadToEnd(*session);
    // The good server keeps the connection open after its close_notify: the stream ends on the
    // close_notify itself, or the wait runs out.
    ASSERT_TRUE(answer.has_value()) << "no end of the stream";
    if (c.end == End::RoundTrip) {
      EXPECT_EQ(*answer, c.request);
      EXPECT_FALSE(session->Truncated());
      session->Shutdown();
      EXPECT_EQ(m_peer->NextLine(),
                "good client-close-notify after " + std::to_string(c.request.size()) + " bytes");
    } else {
      EXPECT_EQ(*answer, c.request.substr(0, c.request.size() / 2));
      EXPECT_TRUE(session->Truncated());
      EXPECT_EQ(m_peer->NextLine(), "truncated closed-without-close-notify after " +
                                        std::to_string(c.request.size()) + " bytes");
    }
    // The end stays the end.
    char more[16];
    EXPECT_TRUE(session->WaitReadable(0));
    EXPECT_EQ(session->Receive(more, sizeof more), 0);
  }
}

// A transport that turns bad after the handshake: what it hands over is `fault`'s instead of
// the server's.
class FaultyTransport : public SocketTransport {
public:
  using SocketTransport::SocketTransport;
  std::function<int(void*, int)> fault;
  bool WaitReadable(int timeout) override {
    return fault ? true : SocketTransport::WaitReadable(timeout);
  }
  int Receive(void* buffer, int length) override {
    return fault ? fault(buffer, length) : SocketTransport::Receive(buffer, length);
  }
};

TEST_F(SChannelTls, ATransportFailureOrABrokenRecordAfterTheHandshakeIsNotData) {
  auto bytes = [](std::string record) {
    return [record](void* buffer, int length) {
      const int count = std::min(length, static_cast<int>(record.size()));
      std::memcpy(buffer, record.data(), static_cast<std::size_t>(count));
      return count;
    };
  };
  struct Case {
    const char* name;
    std::function<int(void*, int)> fault;
    bool raises; // ETlsError(Handshake); else Receive gives -1 with the error code kept
  };
  const Case cases[] = {
      {"a reset",
       [](void*, int) {
         platform::ws::WSASetLastError(10054);
         return -1;
       },
       false},
      {"a record that does not decrypt",
       bytes(std::string("\x17\x03\x03\x00\x30", 5) + std::string(0x30, '\x5a')), true},
      {"a record longer than TLS allows", bytes(std::string("\x17\x03\x03\x48\x01", 5)), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultyTransport transport(m_peer->Port("good"));
    const auto session = platform::tls::NewClientSession(transport);
    session->Handshake(ServerName, Timeout);
    transport.fault = c.fault;
    char buffer[100];
    if (c.raises) {
      try {
        session->WaitReadable(Timeout);
        ADD_FAILURE() << "no failure";
      } catch (const ETlsError& error) {
        EXPECT_EQ(error.Kind(), Failure::Handshake) << error.what();
      }
    } else {
      platform::ws::WSASetLastError(0);
      EXPECT_EQ(session->Receive(buffer, sizeof buffer), -1);
      EXPECT_EQ(platform::ws::WSAGetLastError(), 10054);
      EXPECT_FALSE(session->Truncated());
    }
  }
}

} // namespace
