// The TLS record splitter over any bytes that arrive in receipts of any sizes. A model of the
// stream checks that the records it hands out are exactly the next bytes of the input, whole,
// in order and never longer than a record may be; that what it keeps is exactly the bytes not
// yet handed out; and that it stops at an oversize header.
#include "platform/TlsRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using platform::tls::TlsRecords;

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

std::size_t Announced(const std::string& input, std::size_t at) {
  return (static_cast<std::size_t>(static_cast<std::uint8_t>(input[at + 3])) << 8) |
         static_cast<std::uint8_t>(input[at + 4]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Layout: the count of receipt sizes, a mode byte, the receipt sizes (used in turn), then the
  // stream.
  if (size < 2)
    return 0;
  const std::size_t sizeCount = 1 + data[0] % 8;
  const std::uint8_t mode = data[1];
  if (size < 2 + sizeCount)
    return 0;
  std::vector<std::size_t> receipts;
  for (std::size_t i = 0; i < sizeCount; ++i)
    receipts.push_back(1 + std::size_t{data[2 + i]} * data[2 + i]); // 1 to 65026 bytes
  const std::string input(reinterpret_cast<const char*>(data) + 2 + sizeCount,
                          size - 2 - sizeCount);

  TlsRecords records;
  std::size_t pos = 0;      // the model's position: bytes before it were handed out
  std::size_t received = 0; // bytes appended so far
  std::size_t step = 0;
  std::size_t turn = 0;
  while (received < input.size()) {
    const std::size_t count = std::min(receipts[step % receipts.size()], input.size() - received);
    records.Append(input.data() + received, count);
    received += count;
    ++step;
    for (;; ++turn) {
      const TlsRecords::Front front = records.Check();
      if (front == TlsRecords::Front::Oversize) {
        // The header at the position is whole and announces too long a body.
        Check(received - pos >= TlsRecords::HeaderSize);
        Check(Announced(input, pos) > TlsRecords::MaxBodySize);
        return 0;
      }
      if (front == TlsRecords::Front::Partial) {
        Check(received - pos < TlsRecords::HeaderSize ||
              received - pos < TlsRecords::HeaderSize + Announced(input, pos));
        break;
      }
      // Sometimes the handshake's way: everything kept given to the library, which consumes a
      // prefix of it.
      if ((mode >> (turn % 8)) & 1) {
        const std::span<std::uint8_t> pending = records.Pending();
        Check(pending.size() == received - pos);
        Check(std::string(reinterpret_cast<const char*>(pending.data()), pending.size()) ==
              input.substr(pos, received - pos));
        const std::size_t consumed = (pending.size() * (1 + mode % 7)) / 8;
        records.Drop(consumed);
        pos += consumed;
        continue;
      }
      const std::span<std::uint8_t> record = records.Record();
      Check(record.size() >= TlsRecords::HeaderSize);
      Check(record.size() <= TlsRecords::HeaderSize + TlsRecords::MaxBodySize);
      Check(record.size() == TlsRecords::HeaderSize + Announced(input, pos));
      Check(std::string(reinterpret_cast<const char*>(record.data()), record.size()) ==
            input.substr(pos, record.size()));
      records.DropRecord();
      pos += record.size();
    }
    Check(records.Size() == received - pos);
  }
  return 0;
}
