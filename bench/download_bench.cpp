// The download engine: the hand-off round trip beside a condition-variable ping-pong (the
// floor of a blocking hand-off on this machine), and a download from kv-bench-server on port
// 80 with no progress handler and with a handler that updates labels and a bar on a live
// event loop, as the window does; the resident-memory growth of a 256 MiB download.
#include "app/DownloadClient.h"
#include "download/THTTPFetch.h"
#include "platform/Application.h"
#include "platform/TThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

constexpr int RoundTrips = 20000;

void BM_ConditionVariablePingPong(benchmark::State& state) {
  for (auto _ : state) {
    std::mutex lock;
    std::condition_variable changed;
    int turn = 0; // even: the worker asks, odd: the answer is due
    std::thread other([&] {
      for (int i = 0; i < RoundTrips; ++i) {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return turn % 2 == 1; });
        ++turn;
        changed.notify_all();
      }
    });
    for (int i = 0; i < RoundTrips; ++i) {
      std::unique_lock guard(lock);
      ++turn;
      changed.notify_all();
      changed.wait(guard, [&] { return turn % 2 == 0; });
    }
    other.join();
  }
  state.SetItemsProcessed(state.iterations() * RoundTrips);
}
BENCHMARK(BM_ConditionVariablePingPong)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SynchronizeRoundTrip(benchmark::State& state) {
  for (auto _ : state) {
    std::atomic<bool> done{false};
    int calls = 0;
    std::thread worker([&] {
      for (int i = 0; i < RoundTrips; ++i)
        platform::TThread::Synchronize([&] { ++calls; });
      done = true;
    });
    while (!done)
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    worker.join();
    if (calls != RoundTrips)
      state.SkipWithError("lost hand-offs");
  }
  state.SetItemsProcessed(state.iterations() * RoundTrips);
}
BENCHMARK(BM_SynchronizeRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long value = 0;
      status >> value;
      return value;
    }
    status.ignore(1 << 10, '\n');
  }
  return 0;
}

void Download(benchmark::State& state, bool withHandler) {
  const std::int64_t size = state.range(0);
  const std::string file = "/tmp/kolvarin-bench-" + std::to_string(getpid());
  QWidget window;
  QLabel total(&window), readed(&window), remaining(&window);
  QProgressBar bar(&window);
  long peakGrowth = 0;
  for (auto _ : state) {
    download::THTTPFetch fetch;
    app::DownloadClient(fetch);
    fetch.WaitThread = true;
    // The download creates its file fresh.
    std::remove(file.c_str());
    fetch.URL = "http://127.0.0.1/bytes/" + std::to_string(size);
    fetch.FileName = file;
    const long before = ResidentKiB();
    long peak = before;
    int progressCalls = 0;
    if (withHandler) {
      fetch.OnProgress = [&](download::THTTPFetchThread*, int all, int got) {
        total.setText(QString::number(all / 1024) + " Kb");
        readed.setText(QString::number(got / 1024) + " Kb");
        remaining.setText(QStringLiteral("00:00:%1 Sn ").arg(got % 60));
        bar.setMaximum(all);
        bar.setValue(got);
        if (++progressCalls % 4096 == 0)
          peak = std::max(peak, ResidentKiB());
      };
    }
    bool ok = false;
    fetch.OnDoneFile = [&](download::THTTPFetch*, const std::string&, int) { ok = true; };
    fetch.StartDownload();
    peak = std::max(peak, ResidentKiB());
    peakGrowth = std::max(peakGrowth, peak - before);
    if (!ok)
      state.SkipWithError("download failed (kv-bench-server on port 80?)");
  }
  std::remove(file.c_str());
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["rss_growth_kib"] = benchmark::Counter(static_cast<double>(peakGrowth));
}

void BM_DownloadNoHandler(benchmark::State& state) {
  Download(state, false);
}
BENCHMARK(BM_DownloadNoHandler)->Arg(64 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DownloadWithHandler(benchmark::State& state) {
  Download(state, true);
}
BENCHMARK(BM_DownloadWithHandler)
    ->Arg(64 << 20)
    ->Arg(256 << 20)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  platform::TApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
