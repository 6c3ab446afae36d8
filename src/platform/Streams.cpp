#include "platform/Streams.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

void TMemoryStream::SetSize(std::int64_t size) {
  m_bytes.resize(static_cast<size_t>(std::max<std::int64_t>(size, 0)));
  m_position = std::min(m_position, Size());
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t available = std::max<std::int64_t>(Size() - m_position, 0);
  const std::int64_t n = std::clamp<std::int64_t>(count, 0, available);
  if (n > 0)
    std::memcpy(buffer, m_bytes.data() + m_position, static_cast<size_t>(n));
  m_position += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const auto at = static_cast<size_t>(m_position);
  const auto n = static_cast<size_t>(count);
  if (at == m_bytes.size())
    m_bytes.append(static_cast<const char*>(buffer), n);
  else {
    if (at + n > m_bytes.size())
      m_bytes.resize(at + n);
    std::memcpy(m_bytes.data() + at, buffer, n);
  }
  m_position += count;
  return count;
}

std::string TMemoryStream::TakeBytes() noexcept {
  m_position = 0;
  return std::exchange(m_bytes, {});
}

} // namespace platform
