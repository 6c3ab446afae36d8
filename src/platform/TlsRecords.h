#pragma once

// Where the TLS records begin and end in the bytes received from a server, for a TLS library
// that wants one whole record at a time (SChannel's DecryptMessage). A record is a 5-byte header
// (content type, version, 16-bit length) and that many bytes (RFC 5246 6.2, RFC 8446 5.1). The
// bytes are kept until a whole record is there; nothing is decrypted or judged here but the
// length.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform::tls {

class TlsRecords {
public:
  static constexpr std::size_t HeaderSize = 5;
  // The longest record body: 2^14 bytes of plaintext and 2048 of expansion (RFC 5246 6.2.3;
  // TLS 1.3 allows less, 256).
  static constexpr std::size_t MaxBodySize = (std::size_t{1} << 14) + 2048;
  static constexpr std::uint8_t Alert = 21;

  enum class Front {
    Partial,  // the first record is not whole yet (or nothing is kept): more bytes are needed
    Whole,    // the first record is whole
    Oversize, // the first header announces a body longer than MaxBodySize: not a TLS record
  };

  // Keeps `count` bytes as they came from the transport, after those kept.
  void Append(const void* bytes, std::size_t count);

  Front Check() const noexcept;
  // The first record, header included, to be decrypted in place; only when Check() is Whole.
  // Valid until the next change.
  std::span<std::uint8_t> Record() noexcept;
  // Drops the first record; only when Check() is Whole.
  void DropRecord() noexcept;

  // Every byte kept, whole records or not (the handshake's input), and dropping the first
  // `count` of them (what the TLS library has consumed: all but the unread bytes at the end).
  std::span<std::uint8_t> Pending() noexcept;
  void Drop(std::size_t count) noexcept;
  std::size_t Size() const noexcept { return m_bytes.size() - m_start; }
  bool Empty() const noexcept { return Size() == 0; }

  // The body length the first header announces; only when a whole header is kept.
  std::size_t AnnouncedBodySize() const noexcept;

private:
  // Moves the kept bytes to the start once the dropped ones outweigh them, so that the buffer
  // stays at most twice what is kept and each byte is moved a bounded number of times.
  void Compact();

  std::vector<std::uint8_t> m_bytes;
  std::size_t m_start = 0; // the first kept byte in m_bytes
};

} // namespace platform::tls
