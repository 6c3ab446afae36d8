// Get of a large body from kv-bench-server (port in KOLVARIN_BENCH_PORT), framed by
// Content-Length and chunked. Counts the allocations of a megabyte or more made per Get: a
// body of known length is sized once.
#include "app/VersionClient.h"
#include "http/TNetHTTP.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> g_bigAllocations{0};
constexpr std::size_t Big = 1 << 20;

} // namespace

void* operator new(std::size_t size) {
  if (size >= Big)
    g_bigAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

// The replacements pair malloc with free; the compiler takes the free for a mismatch with the
// new it has inlined into a caller.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void operator delete(void* p) noexcept {
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

void BM_Get(benchmark::State& state, const char* framing) {
  const char* port = std::getenv("KOLVARIN_BENCH_PORT");
  if (!port) {
    state.SkipWithError("set KOLVARIN_BENCH_PORT to a running kv-bench-server (scripts/bench)");
    return;
  }
  const std::int64_t size = state.range(0);
  const std::string url =
      std::string("http://127.0.0.1:") + port + "/" + framing + "/" + std::to_string(size);
  long allocations = 0;
  for (auto _ : state) {
    http::TNetHTTP client;
    // The version check's client, without its body limit, which a body this large exceeds.
    app::VersionClient(client);
    client.MaxBodySize = 0;
    const long before = g_bigAllocations.load();
    const std::string body = client.Get(url);
    allocations += g_bigAllocations.load() - before;
    if (static_cast<std::int64_t>(body.size()) != size)
      state.SkipWithError("short body");
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * size);
  state.counters["big_allocs_per_get"] = benchmark::Counter(
      static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

BENCHMARK_CAPTURE(BM_Get, length, "bytes")
    ->Arg(100 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Get, chunked, "chunked")
    ->Arg(100 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
