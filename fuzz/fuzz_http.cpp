// Any bytes as a server's answer to a Get, cut into receipts of any sizes: the outcome is a
// body or one of the client's exceptions, within the body and header limits the updater uses.
#include "MemoryIOHandler.h"
#include "app/VersionClient.h"
#include "http/TNetHTTP.h"
#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2)
    return 0;
  // The first byte sets the receipt size and how the stream ends.
  const std::size_t piece = 1 + data[0] % 97;
  const int end = (data[0] & 0x80) ? 10053 : 0;
  std::deque<std::string> chunks;
  for (std::size_t at = 1; at < size; at += piece)
    chunks.emplace_back(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));

  testsupport::MemoryIOHandler memory(std::move(chunks));
  memory.EndError = end;
  http::TNetHTTP client;
  app::VersionClient(client);
  client.SetIOHandler(&memory);
  try {
    const std::string body = client.Get("http://fuzz.example/programlar/radyo/kolvarin.txt");
    if (static_cast<std::int64_t>(body.size()) > client.MaxBodySize)
      __builtin_trap();
  } catch (const platform::Exception&) {
    // Every failure is one of the client's exceptions (ENetException or EConvertError).
  }
  return 0;
}
