#pragma once

// Bytes that stand for a player in the tests of both systems.

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// A player-sized file's bytes: not a whole number of read blocks, no repeating pattern.
inline std::string PlayerBytes(std::size_t size = 200 * 1024 + 17) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state);
  }
  return bytes;
}

} // namespace testsupport
