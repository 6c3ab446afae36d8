#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace net {

// A byte buffer with extract and remove at the front; removing moves the rest forward.
class TNetSimpleBuffer {
public:
  std::size_t Size() const noexcept { return m_bytes.size(); }
  bool Empty() const noexcept { return m_bytes.empty(); }
  const char* Data() const noexcept { return m_bytes.data(); }
  void Append(const char* bytes, std::size_t count) { m_bytes.append(bytes, count); }
  void Append(std::string_view bytes) { m_bytes.append(bytes); }
  // Takes the first `count` bytes out; raises ENetNotEnoughDataInBuffer beyond Size().
  std::string Extract(std::size_t count);
  void Remove(std::size_t count);
  void Clear() noexcept { m_bytes.clear(); }

private:
  std::string m_bytes;
};

// The input buffer: unread bytes after a read offset in one block. Consuming only advances the
// offset; the unread bytes move to the front once 32768 consumed bytes have gathered (or the
// block is emptied when everything is consumed), so a byte is moved at most once per 32768
// consumed. Receipts are written straight into the block's free tail.
class TNetManagedBuffer {
public:
  static constexpr std::size_t CompactAt = 32768;

  // Raised with the count of every consumption.
  std::function<void(std::size_t)> OnConsume;

  std::size_t Size() const noexcept { return m_end - m_begin; }
  const char* Data() const noexcept { return m_block.get() + m_begin; }
  std::string_view View() const noexcept { return {Data(), Size()}; }

  void Append(const char* bytes, std::size_t count);
  // Room for `count` more bytes at the end; Commit(n) then keeps the first n written there.
  char* Reserve(std::size_t count);
  void Commit(std::size_t count) noexcept { m_end += count; }

  // Consumes `count` unread bytes; raises ENetNotEnoughDataInBuffer beyond Size().
  void Consume(std::size_t count);
  std::string Extract(std::size_t count);
  void Clear() noexcept { m_begin = m_end = 0; }

  // For tests: where the unread bytes start in the block.
  std::size_t Offset() const noexcept { return m_begin; }

private:
  std::unique_ptr<char[]> m_block;
  std::size_t m_capacity = 0;
  std::size_t m_begin = 0;
  std::size_t m_end = 0;
};

} // namespace net
