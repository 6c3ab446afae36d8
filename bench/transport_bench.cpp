// The transport's reading paths: lines out of a buffered header block, and a bulk body over
// loopback from kv-bench-server (port in KOLVARIN_BENCH_PORT).
#include "MemoryIOHandler.h"
#include "net/TNetTCPConnection.h"
#include "platform/Streams.h"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

// Takes the bytes and keeps only their count.
class NullStream : public platform::TStream {
public:
  std::int64_t Size() const override { return m_size; }
  void SetSize(std::int64_t size) override {
    m_size = size;
    m_position = std::min(m_position, size);
  }
  std::int64_t Position() const override { return m_position; }
  void SetPosition(std::int64_t position) override { m_position = position; }
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    benchmark::DoNotOptimize(buffer);
    m_position += count;
    m_size = std::max(m_size, m_position);
    return count;
  }

private:
  std::int64_t m_size = 0;
  std::int64_t m_position = 0;
};

const std::string HeaderBlock = "HTTP/1.1 200 OK\r\n"
                                "Date: Thu, 10 Dec 2026 10:00:00 GMT\r\n"
                                "Server: bench\r\n"
                                "Last-Modified: Wed, 09 Dec 2026 08:00:00 GMT\r\n"
                                "ETag: \"5e-1a2b3c4d\"\r\n"
                                "Accept-Ranges: bytes\r\n"
                                "Content-Length: 7\r\n"
                                "Cache-Control: max-age=0, no-cache\r\n"
                                "Set-Cookie: session=abcdef0123456789; Path=/; HttpOnly\r\n"
                                "Content-Type: text/plain; charset=windows-1254\r\n"
                                "Connection: keep-alive\r\n"
                                "\r\n";

void BM_ReceiveLineHeaderBlock(benchmark::State& state) {
  std::string many;
  for (int i = 0; i < 100; ++i)
    many += HeaderBlock;
  std::int64_t lines = 0;
  for (auto _ : state) {
    testsupport::MemoryIOHandler handler({many});
    net::TNetTCPClient client;
    client.SetIOHandler(&handler);
    for (int i = 0; i < 100 * 12; ++i)
      benchmark::DoNotOptimize(client.ReceiveLine());
    lines += 100 * 12;
  }
  state.SetItemsProcessed(lines);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(many.size()));
}
BENCHMARK(BM_ReceiveLineHeaderBlock);

void BM_ReceiveToStreamLoopback(benchmark::State& state) {
  const char* port = std::getenv("KOLVARIN_BENCH_PORT");
  if (!port) {
    state.SkipWithError("set KOLVARIN_BENCH_PORT to a running kv-bench-server (scripts/bench)");
    return;
  }
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    net::TNetTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(std::atoi(port));
    client.EstablishConnection(0);
    client.SendText("GET /bytes/" + std::to_string(size) + " HTTP/1.1\r\nHost: x\r\n\r\n");
    while (!client.ReceiveLine().empty()) {
    }
    NullStream sink;
    client.ReceiveToStream(sink, size, false);
    if (sink.Size() != size)
      state.SkipWithError("short body");
    client.CloseConnection();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
}
BENCHMARK(BM_ReceiveToStreamLoopback)->Arg(64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
