// Starts a download and ends the program while the transfer runs, as a user closing the
// window mid-download does.
//
//   kv-exit-during-download URL FILE
//
// Exits 0 after the first progress event (or 3 when none came within 10 s).
#include "download/THTTPFetch.h"
#include "platform/Application.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s URL FILE\n", argv[0]);
    return 2;
  }
  platform::TApplication application(argc, argv);
  download::THTTPFetch fetch;
  fetch.BinaryData = true;
  fetch.URL = argv[1];
  fetch.FileName = argv[2];
  bool progressed = false;
  fetch.OnProgress = [&](download::THTTPFetchThread*, int, int) { progressed = true; };
  fetch.StartDownload();
  QElapsedTimer timer;
  timer.start();
  while (!progressed && timer.elapsed() < 10000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  std::puts(progressed ? "progressed" : "no progress");
  std::fflush(stdout);
  return progressed ? 0 : 3;
}
