// Line, exact and stream reads over any bytes that arrive in receipts of any sizes and end in a
// close or a reset. A model of the byte stream checks that every successful read returns
// exactly the next bytes: nothing skipped, nothing repeated, no terminator missed at a receipt
// boundary.
#include "MemoryIOHandler.h"
#include "net/NetExceptions.h"
#include "net/TNetTCPConnection.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace {

const char* const kTerminators[] = {"\n", "\r\n", "\r", "--", "\n\n"};

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Layout: receipt size, end kind, up to 8 operation bytes, then the stream.
  if (size < 3)
    return 0;
  const std::size_t piece = 1 + data[0] % 61;
  const int end = (data[1] & 1) ? 10054 : 0;
  const std::size_t opCount = 1 + data[1] % 8;
  const std::size_t opsEnd = std::min(size, 2 + opCount);
  const std::string input(reinterpret_cast<const char*>(data) + opsEnd, size - opsEnd);

  std::deque<std::string> chunks;
  for (std::size_t at = 0; at < input.size(); at += piece)
    chunks.push_back(input.substr(at, piece));
  testsupport::MemoryIOHandler memory(std::move(chunks));
  memory.EndError = end;
  net::TNetTCPConnection connection;
  connection.SetIOHandler(&memory);
  connection.SetRecvBufferSize(1 + data[0] % 13);

  std::size_t pos = 0; // the model's read position in `input`
  for (std::size_t i = 2; i < opsEnd; ++i) {
    const std::uint8_t op = data[i];
    try {
      switch (op % 4) {
      case 0: { // a line
        const std::string terminator = kTerminators[(op >> 2) % 5];
        const int maxLength = (op >> 5) == 0 ? -1 : (op >> 5) * 3;
        connection.SetMaxLineAction((op & 0x80) ? net::maSplit : net::maException);
        const std::string line = connection.ReceiveLine(terminator, -1, maxLength);
        const std::size_t limit = maxLength == -1 ? 16384 : static_cast<std::size_t>(maxLength);
        const std::size_t at = input.find(terminator, pos);
        // A terminator of several bytes that is not whole within limit + 1 unread bytes may
        // arrive too late: then the line counts as too long, as with no terminator at all.
        const std::size_t consumed = input.size() - memory.Pending() - connection.InputBuffer().Size();
        const bool late = at != std::string::npos && at - pos <= limit &&
                          at - pos + terminator.size() > limit + 1 &&
                          connection.MaxLineAction() == net::maSplit && consumed == pos + limit;
        if (late) {
          Check(line == input.substr(pos, limit));
          pos += limit;
        } else if (at != std::string::npos && at - pos <= limit) {
          std::string expected = input.substr(pos, at - pos);
          if (terminator == "\n" && !expected.empty() && expected.back() == '\r')
            expected.pop_back();
          Check(line == expected);
          pos = at + terminator.size();
        } else if (at == std::string::npos && input.size() - pos <= limit) {
          // The close came in the middle of the line: an empty line, the bytes stay unread.
          Check(line.empty());
          Check(!connection.IsConnected());
        } else {
          // Longer than the limit: only a split returns, with the first `limit` bytes.
          Check(connection.MaxLineAction() == net::maSplit);
          Check(line == input.substr(pos, limit));
          pos += limit;
        }
        break;
      }
      case 1: { // exact bytes
        const int count = op >> 2;
        const std::string bytes = connection.ReceiveExact(count);
        Check(bytes == input.substr(pos, static_cast<std::size_t>(count)));
        Check(bytes.size() == static_cast<std::size_t>(count));
        pos += bytes.size();
        break;
      }
      case 2: { // a counted stream
        platform::TMemoryStream stream;
        const int count = (op >> 2) * 7;
        connection.ReceiveToStream(stream, count, false);
        // Short only when the connection had already ended (the loop runs while connected).
        Check(stream.Bytes() == input.substr(pos, stream.Bytes().size()));
        Check(stream.Size() == count || !connection.IsConnected());
        pos += stream.Bytes().size();
        break;
      }
      case 3: { // the rest, until the peer closes
        platform::TMemoryStream stream;
        connection.ReceiveToStream(stream, -1, true);
        Check(stream.Bytes() == input.substr(pos));
        pos = input.size();
        break;
      }
      }
      Check(pos == input.size() - memory.Pending() - connection.InputBuffer().Size());
    } catch (const platform::Exception&) {
      // A close, a reset or a line over the limit: the model no longer knows the position.
      return 0;
    }
  }
  return 0;
}
