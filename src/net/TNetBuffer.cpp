#include "net/TNetBuffer.h"

#include "net/NetExceptions.h"

#include <algorithm>
#include <cstring>

namespace net {

std::string TNetSimpleBuffer::Extract(std::size_t count) {
  if (count > m_bytes.size())
    throw ENetNotEnoughDataInBuffer();
  std::string front = m_bytes.substr(0, count);
  m_bytes.erase(0, count);
  return front;
}

void TNetSimpleBuffer::Remove(std::size_t count) {
  if (count > m_bytes.size())
    throw ENetNotEnoughDataInBuffer();
  m_bytes.erase(0, count);
}

void TNetManagedBuffer::Append(const char* bytes, std::size_t count) {
  if (count == 0)
    return;
  std::memcpy(Reserve(count), bytes, count);
  Commit(count);
}

char* TNetManagedBuffer::Reserve(std::size_t count) {
  if (m_capacity - m_end < count) {
    // Growing moves the unread bytes to the front of the new block.
    const std::size_t unread = Size();
    std::size_t capacity = std::max<std::size_t>(m_capacity, 4096);
    while (capacity < unread + count)
      capacity *= 2;
    auto block = std::make_unique_for_overwrite<char[]>(capacity);
    if (unread > 0)
      std::memcpy(block.get(), Data(), unread);
    m_block = std::move(block);
    m_capacity = capacity;
    m_begin = 0;
    m_end = unread;
  }
  return m_block.get() + m_end;
}

void TNetManagedBuffer::Consume(std::size_t count) {
  if (count > Size())
    throw ENetNotEnoughDataInBuffer();
  m_begin += count;
  if (m_begin == m_end) {
    m_begin = m_end = 0;
  } else if (m_begin >= CompactAt) {
    std::memmove(m_block.get(), Data(), Size());
    m_end -= m_begin;
    m_begin = 0;
  }
  if (OnConsume && count > 0)
    OnConsume(count);
}

std::string TNetManagedBuffer::Extract(std::size_t count) {
  if (count > Size())
    throw ENetNotEnoughDataInBuffer();
  std::string front(Data(), count);
  Consume(count);
  return front;
}

} // namespace net
