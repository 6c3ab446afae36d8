#pragma once

#include "net/TNetIOHandler.h"

#include <deque>
#include <string>

namespace testsupport {

// An I/O handler over bytes in memory: each receive hands out the next scripted chunk (at most
// the asked length), then the peer's close (0) or a socket error; sends are recorded. A wait
// is always ready while chunks remain or the end is due.
class MemoryIOHandler : public net::TNetIOHandler {
public:
  explicit MemoryIOHandler(std::deque<std::string> chunks = {}) : m_chunks(std::move(chunks)) {}

  // After the chunks: 0 (the peer closed) or -1 with this library error code.
  int EndError = 0;
  // Fails the send that would pass byte N with this code (0: never).
  int SendFailsAt = -1;
  int SendError = 0;

  std::string Sent;
  int SendCalls = 0;
  int Receives = 0;

  // Bytes not yet handed out.
  std::size_t Pending() const {
    std::size_t n = 0;
    for (const std::string& chunk : m_chunks)
      n += chunk.size();
    return n;
  }

  void Close() override { m_open = false; }
  void ConnectHandler(const std::string&, int, const std::string&, int, int, int, int) override {}
  bool IsOpen() override { return m_open; }
  void Open() override { m_open = true; }
  bool WaitReadable(int) override { return true; }
  int Receive(void* buffer, int length) override;
  int Send(const void* buffer, int length) override;

private:
  std::deque<std::string> m_chunks;
  bool m_open = true;
};

} // namespace testsupport
