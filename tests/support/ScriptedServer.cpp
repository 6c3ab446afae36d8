#include "ScriptedServer.h"

#include "ServerSocket.h"

#include <algorithm>

namespace testsupport {

ScriptedServer::ScriptedServer(std::vector<Script> scripts, std::uint16_t port,
                               const std::string& address)
    : m_scripts(std::move(scripts)) {
  if (m_scripts.empty())
    m_scripts.emplace_back();
  m_listener = ListenOnLoopback(port, 64, m_port, address);
  m_wake = OpenAcceptWake();
  m_acceptor = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  m_stopping = true;
  WakeAccept(m_wake);
  m_acceptor.join();
  for (std::thread& thread : m_threads)
    thread.join();
  CloseSocket(m_listener);
  CloseAcceptWake(m_wake);
}

void ScriptedServer::AcceptLoop() {
  while (!m_stopping) {
    const int fd = AcceptOrWait(m_listener, m_wake);
    if (fd < 0)
      continue;
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
  if (!WaitReadable(fd, waitMs))
    return true;
  char chunk[65536];
  const int n = ReceiveSome(fd, chunk, sizeof chunk);
  if (n <= 0)
    return n < 0;
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
    if (!WaitWritable(fd, 50))
      continue;
    const int n = SendSome(fd, bytes.data() + sent, bytes.size() - sent);
    if (n == 0)
      continue;
    if (n < 0)
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
      ShutdownBoth(fd);
      open = false;
      break;
    case ServerStep::HalfClose:
      ShutdownSend(fd);
      break;
    case ServerStep::Reset:
      ResetOnClose(fd);
      open = false;
      break;
    }
  }
  while (open && reading && !m_stopping)
    reading = ReadSome(fd, index, 20);
  CloseSocket(fd);
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
  for (int i = 0; i < 3; ++i)
    m_fillers.push_back(ConnectWithoutWaiting(m_port));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

UnacceptingListener::~UnacceptingListener() {
  for (int fd : m_fillers)
    CloseSocket(fd);
  CloseSocket(m_listener);
}

} // namespace testsupport
