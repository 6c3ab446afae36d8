// The scripted loopback server on Winsock (the tests link ws2_32 directly; only the code under
// test loads it by name).
#include "ScriptedServer.h"

#include <stdexcept>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace testsupport {

namespace {

// Socket handles fit in an int; the shared header keeps ints.
SOCKET S(int fd) {
  return static_cast<SOCKET>(static_cast<unsigned>(fd));
}

void close(int fd) {
  closesocket(S(fd));
}

int poll(pollfd* fds, unsigned long count, int timeoutMs) {
  return WSAPoll(fds, count, timeoutMs);
}

// Winsock is started once for the whole test program.
struct Startup {
  Startup() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
} const s_startup;

int ListenOnLoopback(std::uint16_t port, int backlog, std::uint16_t& boundPort,
                     const std::string& ip = "127.0.0.1") {
  const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
  if (native == INVALID_SOCKET)
    throw std::runtime_error("socket failed");
  const int fd = static_cast<int>(native);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1 ||
      (ntohl(address.sin_addr.s_addr) >> 24) != 127) {
    close(fd);
    throw std::runtime_error("not a loopback address: " + ip);
  }
  if (bind(S(fd), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(S(fd), backlog) != 0) {
    close(fd);
    throw std::runtime_error("cannot listen on " + ip + ":" + std::to_string(port));
  }
  int length = sizeof address;
  getsockname(S(fd), reinterpret_cast<sockaddr*>(&address), &length);
  boundPort = ntohs(address.sin_port);
  return fd;
}

} // namespace

ScriptedServer::ScriptedServer(std::vector<Script> scripts, std::uint16_t port,
                               const std::string& address)
    : m_scripts(std::move(scripts)) {
  if (m_scripts.empty())
    m_scripts.emplace_back();
  m_listener = ListenOnLoopback(port, 64, m_port, address);
  m_acceptor = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  m_stopping = true;
  m_acceptor.join();
  for (std::thread& thread : m_threads)
    thread.join();
  close(m_listener);
}

void ScriptedServer::AcceptLoop() {
  while (!m_stopping) {
    // No wake pipe on Windows: the loop looks at the stop request every 20 ms.
    pollfd listener{S(m_listener), POLLIN, 0};
    if (poll(&listener, 1, 20) <= 0)
      continue;
    const SOCKET accepted = accept(S(m_listener), nullptr, nullptr);
    if (accepted == INVALID_SOCKET)
      continue;
    const int fd = static_cast<int>(accepted);
    std::size_t index = 0;
    {
      std::lock_guard lock(m_lock);
      index = m_connections.size();
      m_connections.push_back(std::make_unique<Connection>());
    }
    ++m_accepted;
    m_threads.emplace_back([this, fd, index] { Play(fd, index); });
  }
}

// Reads what is there (waiting at most `waitMs`); false once the client has closed.
bool ScriptedServer::ReadSome(int fd, std::size_t index, int waitMs) {
  pollfd p{S(fd), POLLIN, 0};
  if (poll(&p, 1, waitMs) <= 0)
    return true;
  char chunk[65536];
  const int n = recv(S(fd), chunk, sizeof chunk, 0);
  if (n <= 0)
    return false;
  std::lock_guard lock(m_lock);
  m_connections[index]->received.append(chunk, static_cast<std::size_t>(n));
  m_changed.notify_all();
  return true;
}

void ScriptedServer::SleepUntil(std::chrono::steady_clock::time_point until) const {
  while (!m_stopping && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool ScriptedServer::SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (m_stopping)
      return false;
    pollfd p{S(fd), POLLOUT, 0};
    if (poll(&p, 1, 50) == 0)
      continue;
    const int n = send(S(fd), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
      continue;
    if (n <= 0)
      return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void ScriptedServer::Play(int fd, std::size_t index) {
  const Script& script = m_scripts[std::min(index, m_scripts.size() - 1)];
  bool open = true;    // the socket is ours to use
  bool reading = true; // the client has not closed
  for (const ServerStep& step : script) {
    if (m_stopping || !open)
      break;
    switch (step.kind) {
    case ServerStep::Send:
      SendAll(fd, step.bytes);
      break;
    case ServerStep::Endless:
      while (SendAll(fd, step.bytes)) {
      }
      break;
    case ServerStep::Drip:
      for (char c : step.bytes) {
        if (!SendAll(fd, std::string(1, c)))
          break;
        SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds));
      }
      break;
    case ServerStep::Hold:
      SleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds));
      break;
    case ServerStep::Pause: {
      const auto until =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
      while (!m_stopping && std::chrono::steady_clock::now() < until && reading)
        reading = ReadSome(fd, index, 20);
      SleepUntil(until);
      break;
    }
    case ServerStep::ReadUntil:
      while (!m_stopping && reading && Received(index).find(step.bytes) == std::string::npos)
        reading = ReadSome(fd, index, 20);
      break;
    case ServerStep::Close:
      shutdown(S(fd), SD_BOTH);
      open = false;
      break;
    case ServerStep::HalfClose:
      shutdown(S(fd), SD_SEND);
      break;
    case ServerStep::Reset: {
      const linger hard{1, 0};
      setsockopt(S(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
      open = false;
      break;
    }
    }
  }
  while (open && reading && !m_stopping)
    reading = ReadSome(fd, index, 20);
  close(fd);
  std::lock_guard lock(m_lock);
  m_connections[index]->finished = true;
  m_changed.notify_all();
}

std::string ScriptedServer::Received(std::size_t index) const {
  std::lock_guard lock(m_lock);
  return index < m_connections.size() ? m_connections[index]->received : std::string();
}

bool ScriptedServer::WaitReceived(std::size_t index, const std::string& text,
                                  std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] {
    return index < m_connections.size() &&
           m_connections[index]->received.find(text) != std::string::npos;
  });
}

bool ScriptedServer::WaitFinished(std::size_t index, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_lock);
  return m_changed.wait_for(lock, timeout, [&] {
    return index < m_connections.size() && m_connections[index]->finished;
  });
}

UnacceptingListener::UnacceptingListener() {
  m_listener = ListenOnLoopback(0, 0, m_port);
  // With a backlog of 0 the queue takes one connection; a couple more make sure it is full.
  for (int i = 0; i < 3; ++i) {
    const SOCKET native = socket(AF_INET, SOCK_STREAM, 0);
    u_long nonBlocking = 1;
    ioctlsocket(native, FIONBIO, &nonBlocking);
    const int fd = static_cast<int>(native);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(native, reinterpret_cast<sockaddr*>(&address), sizeof address);
    m_fillers.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

UnacceptingListener::~UnacceptingListener() {
  for (int fd : m_fillers)
    close(fd);
  close(m_listener);
}

} // namespace testsupport
