// The internet layer the download worker reads through, over any answer a server may send: a
// loopback server in this process answers every connection with the input's bytes and closes.
// The length query always yields a terminated text that fits its buffer, and the reads never
// hand out more than asked nor more than the server sent. Run only in a private network
// namespace (scripts/fuzz does so): a redirect may name any host.
#include "platform/Internet.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace inet = platform::inet;

namespace {

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

struct Server {
  int listener = -1;
  std::uint16_t port = 0;
  std::mutex lock;
  std::string answer;

  Server() {
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Check(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    Check(listen(listener, 64) == 0);
    std::thread([this] { Serve(); }).detach();
  }

  void Serve() {
    while (true) {
      const int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0)
        continue;
      std::string bytes;
      {
        std::lock_guard guard(lock);
        bytes = answer;
      }
      // Read the request head first so that the close is a plain FIN, not a reset.
      char request[4096];
      (void)recv(peer, request, sizeof request, 0);
      std::size_t sent = 0;
      while (sent < bytes.size()) {
        const ssize_t n = send(peer, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
          break;
        sent += static_cast<std::size_t>(n);
      }
      shutdown(peer, SHUT_WR);
      close(peer);
    }
  }
};

Server& TheServer() {
  static Server* server = [] {
    unsetenv("http_proxy");
    unsetenv("HTTP_PROXY");
    inet::SetStallLimit(std::chrono::milliseconds(2000));
    return new Server;
  }();
  return *server;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Server& server = TheServer();
  {
    std::lock_guard guard(server.lock);
    server.answer.assign(reinterpret_cast<const char*>(data), size);
  }
  inet::HINTERNET session =
      inet::InternetOpenA("fuzz", inet::INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  inet::HINTERNET connection = inet::InternetConnectA(
      session, "127.0.0.1", server.port, "", "", inet::INTERNET_SERVICE_HTTP, 0, 0);
  const char* accept[] = {"*/*", nullptr};
  inet::HINTERNET request = inet::HttpOpenRequestA(connection, "GET", "/kolvarin.exe", "HTTP/1.0",
                                                   "", accept, inet::INTERNET_FLAG_RELOAD, 0);
  inet::HttpSendRequestA(request, nullptr, 0, nullptr, 0);

  for (std::uint32_t level : {inet::HTTP_QUERY_CONTENT_LENGTH, inet::HTTP_QUERY_STATUS_CODE}) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    std::uint32_t length = 16;
    std::uint32_t index = 0;
    if (inet::HttpQueryInfoA(request, level, text, &length, &index)) {
      Check(length < 16);
      Check(text[length] == '\0');
      Check(std::strlen(text) == length);
    }
    Check(text[16] == 'x');
  }

  std::size_t total = 0;
  char chunk[1025 + 16];
  while (true) {
    std::memset(chunk + 1025, 'y', 16);
    std::uint32_t count = 0;
    if (!inet::InternetReadFile(request, chunk, 1025, &count) || count == 0)
      break;
    Check(count <= 1025);
    Check(chunk[1025] == 'y');
    total += count;
    // Every body byte came from an answer; at most 11 answers (the first and 10 redirects).
    Check(total <= 11 * size);
  }
  inet::InternetCloseHandle(request);
  inet::InternetCloseHandle(connection);
  inet::InternetCloseHandle(session);
  return 0;
}
