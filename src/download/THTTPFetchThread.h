#pragma once

#include "download/SplitURL.h"
#include "platform/TThread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace download {

class THTTPFetchThread;

// Progress after each received chunk; Sender is the worker.
using TOnProgressEvent = std::function<void(THTTPFetchThread* sender, int totalSize, int readed)>;

// One transfer on a thread of its own: one request through the internet API, the body written
// to the file chunk by chunk, progress handed to the user-interface thread after each chunk.
// Succeeds when the final answer is a 2xx one and its body is as long as it announced. Frees
// itself after its completion notification has run.
class THTTPFetchThread : public platform::TThread {
public:
  struct Settings {
    std::string AcceptTypes;
    std::string Agent;
    std::string URL;
    std::string FileName;
    std::string UserName;
    std::string Password;
    std::string PostQuery;
    std::string Referer;
    bool BinaryData = false;
    bool UseCache = false;
    // The file must be new: never an existing file, never through a symbolic link.
    bool ExclusiveFile = false;
    // Above 0: a body announced or received longer than this many bytes fails the transfer
    // (announced: before the file is created; received: before the read past it is written).
    std::int64_t MaxFileSize = 0;
    // A whole file is flushed to the disk through the writer's own handle before it is closed;
    // a flush that fails fails the transfer.
    bool FlushFile = false;
  };

  // Created suspended and free-on-terminate.
  THTTPFetchThread(Settings settings, TOnProgressEvent progress);

  const Settings& Values() const noexcept { return m_settings; }
  const std::string& FileName() const noexcept { return m_settings.FileName; }
  // Read on the user-interface thread while the worker waits in a hand-off.
  bool Succeeded() const noexcept { return m_succeeded.load(); }
  int FileSize() const noexcept { return m_fileSize; }
  int Readed() const noexcept { return m_readed; }
  // Why the transfer failed, in the internet layer's words (empty when it has none), and the
  // address its final answer came from (empty when none came). Read on the user-interface thread
  // once the worker has finished, or while it waits in a hand-off.
  const std::string& FailureReason() const noexcept { return m_failureReason; }
  const std::string& FinalURL() const noexcept { return m_finalURL; }

  // Drops the progress handler (the component going away); read on the user-interface thread.
  void DetachProgress() { m_progress = nullptr; }

  static constexpr std::uint32_t ChunkSize = 1025;

protected:
  void Execute() override;

private:
  void Transfer();
  void ReportProgress();

  Settings m_settings;
  // Touched only on the user-interface thread, in hand-offs.
  TOnProgressEvent m_progress;
  const bool m_hasProgress;
  std::atomic<bool> m_succeeded{false};
  int m_fileSize = 0;
  int m_readed = 0;
  std::string m_failureReason;
  std::string m_finalURL;
};

} // namespace download
