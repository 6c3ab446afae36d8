#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A byte stream with a size and a position, as the transport writes bodies into.
class TStream {
public:
  virtual ~TStream() = default;
  virtual std::int64_t Size() const = 0;
  // Grows (with zero bytes) or cuts the stream; the position stays unless it is past the end.
  virtual void SetSize(std::int64_t size) = 0;
  virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  // Reads at most `count` bytes from the position; returns how many were read.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes at the position, growing the stream as needed; returns `count`.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
};

// A stream in memory. Growing it only reserves room: the bytes it grows by read as zeros but
// are not written until something is written there, so sizing a stream for a body before the
// body arrives costs one allocation and no pass over the memory, and memory is committed only
// as the bytes arrive, whatever size was announced. Appending past the reserved
// room adds blocks instead of moving what is there; the blocks are joined once, when the bytes
// are asked for.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes)
      : m_bytes(std::move(bytes)), m_size(static_cast<std::int64_t>(m_bytes.size())) {}

  std::int64_t Size() const override { return m_size; }
  void SetSize(std::int64_t size) override;
  std::int64_t Position() const override { return m_position; }
  void SetPosition(std::int64_t position) override { m_position = position < 0 ? 0 : position; }
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;

  // All the bytes of the stream.
  const std::string& Bytes();
  std::string TakeBytes();

private:
  std::int64_t Written() const noexcept {
    return static_cast<std::int64_t>(m_bytes.size()) + m_blockBytes;
  }
  // Joins the blocks to the contiguous bytes.
  void Flatten();
  // Writes zeros up to `upTo` so that the contiguous bytes reach it.
  void Materialize(std::size_t upTo);
  void Append(const char* bytes, std::size_t count);

  std::string m_bytes;
  std::vector<std::string> m_blocks;
  std::int64_t m_blockBytes = 0;
  std::int64_t m_size = 0;
  std::int64_t m_position = 0;
};

} // namespace platform
