#include "platform/Streams.h"

#include "platform/VirtualMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace platform {

namespace {

constexpr std::size_t Large = 1 << 20;
constexpr std::size_t BlockSize = 8 << 20;
// Room is faulted in this many bytes at a time as bytes arrive.
constexpr std::size_t PrefaultStep = 8 << 20;

// Reserves room without touching it: memory is committed only as bytes are written. A large
// room may be backed by huge pages where the system allows it.
void Reserve(std::string& bytes, std::size_t capacity) {
  if (capacity <= bytes.capacity())
    return;
  bytes.reserve(capacity);
  if (bytes.capacity() < Large)
    return;
  constexpr std::size_t Page = 4096;
  const auto first = (reinterpret_cast<std::uintptr_t>(bytes.data()) + Page - 1) & ~(Page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + bytes.capacity()) & ~(Page - 1);
  if (end > first)
    AdviseHugePages(first, end - first);
}

// Before `count` bytes are appended to a large `bytes`, faults in the room they take up to the
// end of its step with one call instead of one trap per page: a body of tens of megabytes
// otherwise spends most of its time in page faults. A step already entered was faulted in
// then; what no byte has reached yet stays uncommitted, however large the reserved room.
void PrefaultFor(std::string& bytes, std::size_t count) {
  constexpr std::size_t Page = 4096;
  if (bytes.capacity() < Large || count == 0)
    return;
  const std::size_t from = bytes.size();
  const std::size_t stepEnd = (from + PrefaultStep - 1) / PrefaultStep * PrefaultStep;
  if (from != stepEnd && from + count <= stepEnd)
    return;
  const std::size_t to = std::min(bytes.capacity(), (from + count + PrefaultStep - 1) /
                                                        PrefaultStep * PrefaultStep);
  const auto first = (reinterpret_cast<std::uintptr_t>(bytes.data() + from) + Page - 1) &
                     ~(Page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + to) & ~(Page - 1);
  if (end <= first)
    return;
  PopulateForWriting(first, end - first);
}

// Appends with the room faulted in ahead.
void AppendTo(std::string& bytes, const char* data, std::size_t count) {
  PrefaultFor(bytes, count);
  bytes.append(data, count);
}

} // namespace

void TMemoryStream::Flatten() {
  if (m_blocks.empty())
    return;
  std::string joined;
  Reserve(joined, static_cast<std::size_t>(std::max(Written(), m_size)));
  AppendTo(joined, m_bytes.data(), m_bytes.size());
  for (const std::string& block : m_blocks)
    AppendTo(joined, block.data(), block.size());
  m_bytes.swap(joined);
  m_blocks.clear();
  m_blockBytes = 0;
}

void TMemoryStream::Materialize(std::size_t upTo) {
  Flatten();
  if (upTo > m_bytes.size())
    m_bytes.resize(upTo);
}

void TMemoryStream::Append(const char* bytes, std::size_t count) {
  if (m_blocks.empty()) {
    const std::size_t room = m_bytes.capacity() - m_bytes.size();
    if (count <= room || m_bytes.size() < Large) {
      if (count > room)
        Reserve(m_bytes, std::max(m_bytes.size() + count, m_bytes.capacity() * 2));
      AppendTo(m_bytes, bytes, count);
      return;
    }
    AppendTo(m_bytes, bytes, room);
    bytes += room;
    count -= room;
  }
  while (count > 0) {
    if (m_blocks.empty() || m_blocks.back().size() == m_blocks.back().capacity()) {
      m_blocks.emplace_back();
      Reserve(m_blocks.back(), std::max(count, BlockSize));
    }
    std::string& block = m_blocks.back();
    const std::size_t n = std::min(count, block.capacity() - block.size());
    AppendTo(block, bytes, n);
    m_blockBytes += static_cast<std::int64_t>(n);
    bytes += n;
    count -= n;
  }
}

void TMemoryStream::SetSize(std::int64_t size) {
  m_size = std::max<std::int64_t>(size, 0);
  if (m_size < Written()) {
    Flatten();
    m_bytes.resize(static_cast<std::size_t>(m_size));
  } else if (m_blocks.empty() && m_bytes.empty()) {
    // The first sizing of an empty stream: room for all of it in one block, committed only as
    // the bytes arrive.
    Reserve(m_bytes, static_cast<std::size_t>(m_size));
  }
  m_position = std::min(m_position, m_size);
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t available = std::max<std::int64_t>(m_size - m_position, 0);
  const std::int64_t n = std::clamp<std::int64_t>(count, 0, available);
  if (n > 0) {
    Materialize(static_cast<std::size_t>(m_position + n));
    std::memcpy(buffer, m_bytes.data() + m_position, static_cast<std::size_t>(n));
  }
  m_position += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const auto* bytes = static_cast<const char*>(buffer);
  const auto n = static_cast<std::size_t>(count);
  if (m_position == Written()) {
    Append(bytes, n);
  } else {
    const auto at = static_cast<std::size_t>(m_position);
    Materialize(at);
    if (at == m_bytes.size()) {
      AppendTo(m_bytes, bytes, n);
    } else {
      Materialize(at + n);
      std::memcpy(m_bytes.data() + at, bytes, n);
    }
  }
  m_position += count;
  m_size = std::max(m_size, m_position);
  return count;
}

const std::string& TMemoryStream::Bytes() {
  Materialize(static_cast<std::size_t>(m_size));
  return m_bytes;
}

std::string TMemoryStream::TakeBytes() {
  Materialize(static_cast<std::size_t>(m_size));
  m_position = 0;
  m_size = 0;
  return std::exchange(m_bytes, {});
}

} // namespace platform
