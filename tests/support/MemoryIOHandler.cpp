#include "MemoryIOHandler.h"

#include "platform/SocketLibrary.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

int MemoryIOHandler::Receive(void* buffer, int length) {
  ++Receives;
  if (m_chunks.empty()) {
    if (EndError != 0) {
      platform::ws::WSASetLastError(EndError);
      return -1;
    }
    return 0;
  }
  std::string& chunk = m_chunks.front();
  const std::size_t n = std::min(chunk.size(), static_cast<std::size_t>(length));
  std::memcpy(buffer, chunk.data(), n);
  chunk.erase(0, n);
  if (chunk.empty())
    m_chunks.pop_front();
  return static_cast<int>(n);
}

int MemoryIOHandler::Send(const void* buffer, int length) {
  ++SendCalls;
  if (SendFailsAt >= 0 && static_cast<int>(Sent.size()) + length > SendFailsAt) {
    platform::ws::WSASetLastError(SendError);
    return -1;
  }
  Sent.append(static_cast<const char*>(buffer), static_cast<std::size_t>(length));
  return length;
}

} // namespace testsupport
