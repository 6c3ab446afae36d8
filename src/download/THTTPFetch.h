#pragma once

#include "download/THTTPFetchThread.h"

#include <cstdint>
#include <functional>
#include <string>

namespace download {

class THTTPFetch;

// The largest file a download takes unless told otherwise: the build's KOLVARIN_MAX_PLAYER_BYTES,
// 256 MiB when the build does not say. A server that announces or sends more cannot fill the
// user's disk.
extern const std::int64_t DefaultMaxFileSize;

using TOnDoneFileEvent =
    std::function<void(THTTPFetch* sender, const std::string& fileName, int fileSize)>;
using TOnDoneStringEvent = std::function<void(THTTPFetch* sender, const std::string& result)>;
using TNotifyEvent = std::function<void(THTTPFetch* sender)>;

// Downloads one URL into one file on a worker thread; progress, completion and failure arrive
// as events on the user-interface thread. One transfer at a time.
class THTTPFetch {
public:
  THTTPFetch() = default;
  // Stops a running transfer at its next check point; none of its events arrives afterwards.
  ~THTTPFetch();
  THTTPFetch(const THTTPFetch&) = delete;
  THTTPFetch& operator=(const THTTPFetch&) = delete;

  std::string AcceptTypes = "*/*";
  std::string Agent = "Kolvarin Downloader";
  bool BinaryData = false;
  std::string URL;
  bool UseCache = false;
  std::string FileName;
  std::string UserName;
  std::string Password;
  std::string PostQuery;
  std::string Referer;
  bool WaitThread = false;
  // The file is created fresh: the transfer fails rather than write into a file (or through a
  // link) that is already there.
  bool ExclusiveFile = false;
  // Above 0: a file announced or received longer than this many bytes fails the transfer: an
  // announced one before the file is created, a growing one at the first read that passes the
  // limit, before it is written. 0: no limit.
  std::int64_t MaxFileSize = DefaultMaxFileSize;
  // A whole file is flushed to the disk through the writer's own handle before it is closed
  // (no second open, which a program holding the file could refuse); a flush that fails fails
  // the transfer.
  bool FlushFile = false;

  TOnProgressEvent OnProgress;
  TOnDoneFileEvent OnDoneFile;
  TOnDoneStringEvent OnDoneString;
  TNotifyEvent OnError;

  // Starts a transfer with the current values; ignored while one runs. With WaitThread it
  // returns after the transfer's completion event has run, dispatching events meanwhile.
  void StartDownload();
  bool Running() const noexcept { return m_worker != nullptr; }

  // After a transfer, from its completion event on (empty before and during one): why it
  // failed, in the internet layer's words (empty when the layer has none: a refused connection,
  // an answer that is no success), and the address its final answer came from after redirects
  // (empty when no answer came).
  const std::string& FailureReason() const noexcept { return m_failureReason; }
  const std::string& FinalURL() const noexcept { return m_finalURL; }

private:
  void WorkerFinished(THTTPFetchThread& worker);

  THTTPFetchThread* m_worker = nullptr;
  std::string m_failureReason;
  std::string m_finalURL;
};

} // namespace download
