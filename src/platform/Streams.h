#pragma once

#include <cstdint>
#include <string>

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

// A stream in memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : m_bytes(std::move(bytes)) {}

  std::int64_t Size() const override { return static_cast<std::int64_t>(m_bytes.size()); }
  void SetSize(std::int64_t size) override;
  std::int64_t Position() const override { return m_position; }
  void SetPosition(std::int64_t position) override { m_position = position < 0 ? 0 : position; }
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;

  const std::string& Bytes() const noexcept { return m_bytes; }
  std::string TakeBytes() noexcept;

private:
  std::string m_bytes;
  std::int64_t m_position = 0;
};

} // namespace platform
