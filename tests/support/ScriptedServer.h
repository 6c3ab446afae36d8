#pragma once

#include "ServerSocket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// One thing the server does on a connection.
struct ServerStep {
  enum Kind { Send, Pause, ReadUntil, Close, HalfClose, Reset, Endless, Drip, Hold } kind;
  std::string bytes; // Send: what to send; ReadUntil: what to wait for in what the client sent
  int milliseconds = 0;
};

inline ServerStep Send(std::string bytes) {
  return {ServerStep::Send, std::move(bytes), 0};
}
inline ServerStep Pause(int ms) {
  return {ServerStep::Pause, {}, ms};
}
inline ServerStep ReadUntil(std::string text) {
  return {ServerStep::ReadUntil, std::move(text), 0};
}
// Shuts down both directions and closes.
inline ServerStep Close() {
  return {ServerStep::Close, {}, 0};
}
// Stops sending (FIN) but goes on reading.
inline ServerStep HalfClose() {
  return {ServerStep::HalfClose, {}, 0};
}
// Closes with SO_LINGER 0: the client sees a reset.
inline ServerStep Reset() {
  return {ServerStep::Reset, {}, 0};
}

// Sends `bytes` again and again until the client goes (or the server stops).
inline ServerStep Endless(std::string bytes) {
  return {ServerStep::Endless, std::move(bytes), 0};
}
// Sends `bytes` one byte at a time, `ms` apart.
inline ServerStep Drip(std::string bytes, int ms) {
  return {ServerStep::Drip, std::move(bytes), ms};
}
// Waits without reading anything the client sends.
inline ServerStep Hold(int ms) {
  return {ServerStep::Hold, {}, ms};
}

using Script = std::vector<ServerStep>;

// A loopback TCP server that plays a script on each connection it accepts (the n-th connection
// the n-th script; the last script repeats) and records what each client sent. Without a
// closing step it keeps reading until the client closes. Listening starts in the constructor
// and everything stops in the destructor.
// A loopback port that refuses every connection while this lives. A port freed by a server
// that has stopped could be taken again by another test's socket running at the same time, or
// by the connecting socket itself; this one stays bound and never listens.
class ClosedPort {
public:
  ClosedPort() : m_socket(BindWithoutListening(m_port)) {}
  ~ClosedPort() { CloseSocket(m_socket); }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  std::uint16_t Port() const { return m_port; }

private:
  std::uint16_t m_port = 0;
  int m_socket;
};

class ScriptedServer {
public:
  // Listens on `address` (a loopback address) and `port` (0: one the system picks).
  explicit ScriptedServer(std::vector<Script> scripts, std::uint16_t port = 0,
                          const std::string& address = "127.0.0.1");
  explicit ScriptedServer(Script script, std::uint16_t port = 0,
                          const std::string& address = "127.0.0.1")
      : ScriptedServer(std::vector<Script>{std::move(script)}, port, address) {}
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const { return m_port; }
  int Accepted() const { return m_accepted.load(); }
  // What the client of connection `index` has sent so far.
  std::string Received(std::size_t index = 0) const;
  // Waits until connection `index` has received `text` (or the time passes).
  bool WaitReceived(std::size_t index, const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Waits until connection `index` has ended (script done and client gone).
  bool WaitFinished(std::size_t index,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
  struct Connection {
    std::string received;
    bool finished = false;
  };
  void AcceptLoop();
  void Play(int socket, std::size_t index);
  bool ReadSome(int socket, std::size_t index, int waitMs);
  // Sends all of `bytes` unless the client goes or the server stops; false then.
  bool SendAll(int socket, const std::string& bytes);
  // Sleeps until `until` or until the server stops.
  void SleepUntil(std::chrono::steady_clock::time_point until) const;

  std::vector<Script> m_scripts;
  int m_listener = -1;
  AcceptWake m_wake;
  std::uint16_t m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::atomic<int> m_accepted{0};
  mutable std::mutex m_lock;
  mutable std::condition_variable m_changed;
  std::vector<std::unique_ptr<Connection>> m_connections;
  std::vector<std::thread> m_threads;
  std::thread m_acceptor;
};

// A listener that never accepts and whose queue is full, so that a further connect hangs
// until the client gives up.
class UnacceptingListener {
public:
  UnacceptingListener();
  ~UnacceptingListener();
  UnacceptingListener(const UnacceptingListener&) = delete;
  UnacceptingListener& operator=(const UnacceptingListener&) = delete;
  std::uint16_t Port() const { return m_port; }

private:
  int m_listener = -1;
  std::vector<int> m_fillers;
  std::uint16_t m_port = 0;
};

} // namespace testsupport
