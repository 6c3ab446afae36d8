// A loopback HTTP server for the benchmarks: every request gets a 200 answer whose body is
// the number of bytes the path names ("/bytes/67108864"), framed by Content-Length (or chunked
// for "/chunked/N"), then the connection closes.
//
//   kv-bench-server PORT
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string& Block() {
  static const std::string block = [] {
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
  }();
  return block;
}

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0)
      return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void Serve(int fd) {
  std::string request;
  char chunk[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) {
      close(fd);
      return;
    }
    request.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t space = request.find(' ');
  const std::string path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
  const bool chunked = path.rfind("/chunked/", 0) == 0;
  const long long total = std::atoll(path.substr(path.rfind('/') + 1).c_str());
  std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
  head += chunked ? "Transfer-Encoding: chunked\r\n"
                  : "Content-Length: " + std::to_string(total) + "\r\n";
  head += "Connection: close\r\n\r\n";
  bool ok = SendAll(fd, head.data(), head.size());
  long long left = total;
  const std::string& block = Block();
  while (ok && left > 0) {
    const auto n =
        static_cast<std::size_t>(std::min<long long>(left, chunked ? 65536 : block.size()));
    if (chunked) {
      char size[32];
      const int length = std::snprintf(size, sizeof size, "%zx\r\n", n);
      ok = SendAll(fd, size, static_cast<std::size_t>(length));
    }
    ok = ok && SendAll(fd, block.data(), n);
    if (chunked)
      ok = ok && SendAll(fd, "\r\n", 2);
    left -= static_cast<long long>(n);
  }
  if (ok && chunked)
    SendAll(fd, "0\r\n\r\n", 5);
  shutdown(fd, SHUT_WR);
  while (recv(fd, chunk, sizeof chunk, 0) > 0) {
  }
  close(fd);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PORT\n", argv[0]);
    return 2;
  }
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[1])));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    std::perror("kv-bench-server");
    return 1;
  }
  Block();
  std::printf("listening\n");
  std::fflush(stdout);
  while (true) {
    const int fd = accept(listener, nullptr, nullptr);
    if (fd >= 0)
      std::thread(Serve, fd).detach();
  }
}
