#include "download/THTTPFetch.h"

#include "platform/Console.h"
#include "platform/Internet.h"

// The build may set its own limit (a CMake option); without one a player may be 256 MiB.
#ifndef KOLVARIN_MAX_PLAYER_BYTES
#define KOLVARIN_MAX_PLAYER_BYTES 268435456
#endif

namespace download {

const std::int64_t DefaultMaxFileSize = KOLVARIN_MAX_PLAYER_BYTES;

THTTPFetch::~THTTPFetch() {
  if (!m_worker)
    return;
  // The worker is still alive: it frees itself only after its completion notification, which
  // runs on this thread. Detached, it ends without reaching this component.
  m_worker->OnTerminate = nullptr;
  m_worker->DetachProgress();
  m_worker->Terminate();
  m_worker = nullptr;
}

void THTTPFetch::StartDownload() {
  if (m_worker)
    return;
  // The internet library is loaded and started here, not on the worker: a worker that did it
  // while the program ends would start it during the library clean-up at exit. Without the
  // library the worker fails its transfer.
  platform::inet::Startup();
  m_failureReason.clear();
  m_finalURL.clear();
  THTTPFetchThread::Settings settings{AcceptTypes,   Agent,       URL,      FileName,   UserName,
                                      Password,      PostQuery,   Referer,  BinaryData, UseCache,
                                      ExclusiveFile, MaxFileSize, FlushFile};
  auto* worker = new THTTPFetchThread(std::move(settings), OnProgress);
  worker->OnTerminate = [this](platform::TThread* sender) {
    WorkerFinished(*static_cast<THTTPFetchThread*>(sender));
  };
  m_worker = worker;
  try {
    worker->Start();
  } catch (...) {
    m_worker = nullptr;
    delete worker;
    throw;
  }
  if (!WaitThread)
    return;
  while (m_worker)
    platform::ProcessMessages(true);
}

void THTTPFetch::WorkerFinished(THTTPFetchThread& worker) {
  // A transfer started from the handler is ignored, so the running worker is let go of only
  // after the handler has returned; also when it throws, as the worker frees itself after this
  // call either way.
  struct LetGo {
    THTTPFetchThread*& worker;
    ~LetGo() { worker = nullptr; }
  } letGo{m_worker};
  m_failureReason = worker.FailureReason();
  m_finalURL = worker.FinalURL();
  if (worker.Succeeded()) {
    if (OnDoneFile)
      OnDoneFile(this, worker.FileName(), worker.FileSize());
  } else if (OnError) {
    OnError(this);
  }
}

} // namespace download
