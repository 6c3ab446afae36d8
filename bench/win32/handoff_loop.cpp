// The floor of the window's hand-offs under Wine: a worker hands ROUND_TRIPS empty calls to the
// user-interface thread's message loop through the synchronous hand-off, as the download hands
// its progress, and the program ends. scripts/bench-windows takes the CPU time of the whole
// process (and the Wine server's) over the round trips.
//
//   kv-handoff-loop.exe [ROUND_TRIPS]      default 20000; prints the calls served
#include "platform/Application.h"
#include "platform/TThread.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 20000;
  platform::TApplication application(argc, argv);
  int calls = 0;
  std::thread worker([&] {
    for (int i = 0; i < roundTrips; ++i)
      platform::TThread::Synchronize([&] { ++calls; });
    platform::TThread::Synchronize([&] { application.Terminate(); });
  });
  application.Run();
  worker.join();
  std::printf("%d\n", calls);
  return calls == roundTrips ? 0 : 1;
}
