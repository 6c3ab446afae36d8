#pragma once

// Bodies the download tests serve: the same bytes on both systems.
#include <cstdio>
#include <string>

namespace testsupport {

// `size` bytes of a pattern that shows a shifted or lost byte.
inline std::string Body(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    body[i] = static_cast<char>('A' + i % 23);
  return body;
}

// Body(size) framed as a chunked body, in chunks of 1000 bytes.
inline std::string Chunked(std::size_t size) {
  const std::string body = Body(size);
  std::string framed;
  for (std::size_t at = 0; at < size; at += 1000) {
    const std::string piece = body.substr(at, 1000);
    char length[16];
    std::snprintf(length, sizeof length, "%zx\r\n", piece.size());
    framed += length + piece + "\r\n";
  }
  return framed + "0\r\n\r\n";
}

} // namespace testsupport
