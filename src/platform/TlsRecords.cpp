#include "platform/TlsRecords.h"

#include <algorithm>

namespace platform::tls {

void TlsRecords::Append(const void* bytes, std::size_t count) {
  if (count == 0)
    return;
  Compact();
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  m_bytes.insert(m_bytes.end(), first, first + count);
}

std::size_t TlsRecords::AnnouncedBodySize() const noexcept {
  const std::uint8_t* header = m_bytes.data() + m_start;
  return (std::size_t{header[3]} << 8) | header[4];
}

TlsRecords::Front TlsRecords::Check() const noexcept {
  if (Size() < HeaderSize)
    return Front::Partial;
  const std::size_t body = AnnouncedBodySize();
  if (body > MaxBodySize)
    return Front::Oversize;
  return Size() >= HeaderSize + body ? Front::Whole : Front::Partial;
}

std::span<std::uint8_t> TlsRecords::Record() noexcept {
  return {m_bytes.data() + m_start, HeaderSize + AnnouncedBodySize()};
}

void TlsRecords::DropRecord() noexcept {
  Drop(HeaderSize + AnnouncedBodySize());
}

std::span<std::uint8_t> TlsRecords::Pending() noexcept {
  return {m_bytes.data() + m_start, Size()};
}

void TlsRecords::Drop(std::size_t count) noexcept {
  m_start += std::min(count, Size());
  if (m_start == m_bytes.size()) {
    m_bytes.clear();
    m_start = 0;
  }
}

void TlsRecords::Compact() {
  if (m_start > 0 && m_start >= Size()) {
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_start));
    m_start = 0;
  }
}

} // namespace platform::tls
