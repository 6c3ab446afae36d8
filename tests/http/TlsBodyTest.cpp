// The version check over TLS against a server that ends its answer each way a server can: with
// close_notify, or by dropping the connection without it (what an attacker in the path can do
// to cut a body short). The server is Python's ssl module on the tests' certificate for
// tls.kolvarin.example (scripts/test's private network and certificate authority).
#include "ChildProcess.h"
#include "http/TNetHTTP.h"
#include "net/TNetIOHandlerTLS.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

using namespace testsupport;

// Serves one connection: reads the request head, sends `answer`, then ends with close_notify
// (ending "notify"), by closing the socket under TLS (ending "drop"), or by waiting for the
// client to go (ending "silent"). Prints its port first.
const char* const Server = R"(
import socket, ssl, sys
certificates, answer, ending = sys.argv[1], sys.argv[2].encode('latin-1'), sys.argv[3]
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificates + '/server.pem', certificates + '/server.key')
listener = socket.create_server(('127.0.0.5', 0))
print(listener.getsockname()[1], flush=True)
connection, _ = listener.accept()
tls = context.wrap_socket(connection, server_side=True)
head = b''
while b'\r\n\r\n' not in head:
    head += tls.recv(4096)
tls.sendall(answer)
if ending == 'silent':
    tls.settimeout(10)
    try:
        tls.recv(1)
    except Exception:
        pass
elif ending == 'notify':
    tls.unwrap().close()
else:
    connection.detach()
    socket.socket(fileno=tls.detach()).close()
)";

TEST(TlsBody, EachEndOfAnAnswerAndEachLimitHoldsOverTLS) {
  // The plain transport's limits hold through TLS too: the read time-out and the line limit.
  const char* certificates = std::getenv("KOLVARIN_TEST_TLS");
  if (!certificates || !std::getenv("KOLVARIN_TEST_HOSTS") || access("/usr/bin/python3", X_OK))
    GTEST_SKIP() << "needs the private network and certificates of scripts/test, and python3";
  struct Case {
    const char* name;
    std::string answer;
    const char* ending;
    std::string result; // the body, or the start of the failure
  };
  const std::string unsized = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n1.0.0.1";
  const std::string sized = "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n1.0.0.1";
  const Case cases[] = {
      {"until the close, with close_notify", unsized, "notify", "1.0.0.1"},
      {"until the close, dropped", unsized, "drop",
       "TLS: the server closed the connection without close_notify"},
      {"short of its length, dropped", sized, "drop",
       "TLS: the server closed the connection without close_notify"},
      {"silent after the handshake", "", "silent", "Read Timeout"},
      {"a header line past the limit", "HTTP/1.1 200 OK\r\nX: " + std::string(20000, 'h'),
       "silent", "Max line length exceeded."},
  };
  for (const Case& c : cases) {
    ChildProcess server("/usr/bin/python3",
                        {.args = {"-c", Server, certificates, c.answer, c.ending}});
    const std::optional<std::string> port = server.ReadLine();
    ASSERT_TRUE(port) << c.name;
    net::TNetIOHandlerTLS tls;
    http::TNetHTTP client;
    client.SetIOHandler(&tls);
    client.SetReadTimeout(1000);
    std::string result;
    try {
      result = client.Get("https://tls.kolvarin.example:" + *port + "/kolvarin.txt");
    } catch (const std::exception& e) {
      result = e.what();
    }
    EXPECT_EQ(result.rfind(c.result, 0), 0u) << c.name << ": " << result;
    EXPECT_TRUE(server.WaitExit(5s)) << c.name;
  }
}

} // namespace
