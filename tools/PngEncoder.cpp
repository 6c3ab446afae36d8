#include "tools/PngEncoder.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tools {

namespace {

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// The CRC-32 of the chunk's type and data (ISO 3309, as PNG defines it).
std::uint32_t Crc32(const std::string& bytes, std::size_t from) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = from; i < bytes.size(); ++i)
    c = table[(c ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

// The zlib stream's check value of the uncompressed data (RFC 1950).
std::uint32_t Adler32(const std::string& bytes) {
  std::uint32_t a = 1, b = 0;
  for (const char byte : bytes) {
    a = (a + static_cast<unsigned char>(byte)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  PutBigEndian(out, Crc32(out, start));
}

// A zlib stream of stored deflate blocks (RFC 1950, RFC 1951 section 3.2.4): each block holds
// at most 65535 bytes.
std::string StoredZlib(const std::string& data) {
  std::string out;
  // Deflate with a 32 KiB window, no dictionary; 0x7801 is a multiple of 31 as required.
  out += '\x78';
  out += '\x01';
  std::size_t done = 0;
  do {
    const std::size_t length = std::min<std::size_t>(data.size() - done, 65535);
    const bool last = done + length == data.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(data, done, length);
    done += length;
  } while (done < data.size());
  PutBigEndian(out, Adler32(data));
  return out;
}

} // namespace

std::string EncodePng(const platform::TBitmap& picture) {
  const int width = picture.Width(), height = picture.Height();
  std::string rows;
  rows.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    rows += '\0'; // filter type None
    const std::uint32_t* row = picture.Row(y);
    for (int x = 0; x < width; ++x) {
      rows += static_cast<char>((row[x] >> 16) & 0xFF);
      rows += static_cast<char>((row[x] >> 8) & 0xFF);
      rows += static_cast<char>(row[x] & 0xFF);
    }
  }
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  // 8 bits per sample, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
  header += std::string("\x08\x02\x00\x00\x00", 5);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(rows));
  PutChunk(png, "IEND", {});
  return png;
}

} // namespace tools
