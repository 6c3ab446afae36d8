#pragma once

#include "app/PlayerUpdate.h"
#include "app/UpdateLog.h"
#include "app/UpdateTexts.h"
#include "download/THTTPFetch.h"
#include "http/TNetHTTP.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace net {
class TNetIOHandlerTLS;
}

namespace platform {
class ElevatedRun;
class StartedProgram;
class TApplication;
struct SignatureVerdict;
} // namespace platform

namespace app {

class PlayerSignatureCheck;

// How this run of the updater was started. A run that cannot change the player's folder starts
// the program again with the administrator's rights (where the system has them) and this
// argument, and waits for it; a second such run puts the old player back after the new one
// could not start. The player is always started by the first run, never with those rights.
enum class RunKind { Normal, Elevated, ElevatedRollBack };
inline constexpr const char* ElevatedArgument = "--as-administrator";
inline constexpr const char* RollBackArgument = "--roll-back";
// The kind of run the program's arguments ask for.
RunKind RunKindOf(int argc, char** argv);

// What an elevated run tells the first one through its exit code.
enum class ElevatedOutcome : int {
  Done = 0,                 // nothing for the first run to do (also: the old player is back)
  RollBackFailed = 1,       // the old player could not be put back
  Installed = 2,            // a new player is installed, the old one kept: start and watch it
  InstalledWithoutOld = 3,  // a new player took a free name: start it
  CannotWrite = 4,          // the folder cannot be changed with these rights either
};

// What the update flow shows the user: the main window, or whatever stands in for it. Every
// call comes on the user-interface thread.
class UpdateFlowView {
public:
  virtual ~UpdateFlowView() = default;
  // The status line, one of the window's texts.
  virtual void ShowStatus(const char* status) = 0;
  // The check has begun: another cannot be asked for.
  virtual void ShowCheckBegun() = 0;
  // The version file answered at `url`.
  virtual void ShowVersionFile(const std::string& url) = 0;
  // The installed version and the published one, both UTF-8.
  virtual void ShowVersions(const std::string& current, const std::string& published) = 0;
  // The download has `readed` of `totalSize` bytes, as the engine counts them; the remaining
  // time is the text for the bytes still to come.
  virtual void ShowProgress(int totalSize, int readed, const std::string& remainingTime) = 0;
  // A message the user reads before the flow goes on (a message box).
  virtual void Tell(const char* message) = 0;
  // The flow has come to its end: the program ends.
  virtual void Finished() = 0;
};

// The update, without a window: it closes the running player, checks the publisher's version
// file, decides, downloads the new player into ".part", fetches and checks its signature (with
// a publisher key), swaps it in, starts it, watches its start and rolls back when it cannot
// start. It reports each step to its view and is driven by the events of the download engine,
// which its owner forwards to DownloadProgress, DownloadDone and DownloadFailed, and by the
// application's timers.
//
// The installed player is never put at risk: the new player is downloaded to a file of its own
// and takes the player's place only when it is complete, in one step, with the old one kept as
// "Kolvarin.bak" (PlayerUpdate); any other outcome leaves the player as it was. A new player
// that cannot be run, or that ends with a failure before it shows its window or has run for
// the start limit, is replaced by the old one again and the user is told.
class UpdateFlow {
public:
  // `versionClient` and `download` are the owner's components, configured here; `files` works
  // in the current folder. An earlier run interrupted in the middle of its swap may have left
  // only the backup: it becomes the player again at once.
  UpdateFlow(platform::TApplication& application, http::TNetHTTP& versionClient,
             download::THTTPFetch& download, UpdateFlowView& view, PublisherSite site,
             platform::FileOperations& files = platform::SystemFileOperations());
  // A download still running is dropped with what it wrote so far, as is a signature being
  // fetched.
  ~UpdateFlow();
  UpdateFlow(const UpdateFlow&) = delete;
  UpdateFlow& operator=(const UpdateFlow&) = delete;

  // The run's first step: finds out whether the player's folder can be changed, then closes
  // the player. When the folder cannot be changed the player is left running and nothing is
  // downloaded: a first run starts the elevated one and waits for it, and without one the user
  // is told and the flow ends.
  void Begin();
  // Whether the window is to be shown: not while an elevated run does the update, nor after
  // the flow ended before it began.
  bool WantsWindow() const noexcept { return m_phase == Phase::Updating; }
  // Closes the running player: its window is asked to close, then every process of its name
  // is ended.
  void ClosePlayer();
  // Checks the version file; when the published version differs, starts the download. A check
  // that fails is told to the user and raises EAbort.
  void Check();
  // The download engine's events.
  void DownloadProgress(int totalSize, int readed);
  void DownloadDone();
  void DownloadFailed();

  // The publisher's key in place of the built-in one (empty: none).
  void UsePublisherKey(std::string publicKeyPem);
  // The time a new player has to show that it starts.
  void UseStartLimit(std::chrono::milliseconds limit) { m_startLimit = limit; }
  // Set before Begin.
  void UseRunKind(RunKind kind) { m_runKind = kind; }
  // Stand-ins for tests: the folder's check (why it cannot be changed, empty when it can) and
  // the start of the elevated run.
  using FolderCheck = std::function<std::string()>;
  using ElevatedStart =
      std::function<std::unique_ptr<platform::ElevatedRun>(const std::vector<std::string>&)>;
  void UseFolderCheck(FolderCheck check) { m_folderCheck = std::move(check); }
  void UseElevatedStart(ElevatedStart start) { m_elevatedStart = std::move(start); }
  // Where this run's log lines go (decided by Begin).
  const std::string& LogPath() const noexcept { return m_log.Path(); }

  // The installed version and the version file's bytes, once checked.
  std::string CurrentVersion;
  std::string NewVersion;

private:
  enum class Phase { Updating, HandedOff, Ended };
  // Starts the elevated run with `arguments` and waits for it; false when it did not start.
  bool HandOff(const std::vector<std::string>& arguments);
  void WaitForElevatedRun();
  void ElevatedRunEnded(int exitCode);
  void RollBackElevated();
  // An elevated run ends with `outcome` as its exit code.
  void EndElevated(ElevatedOutcome outcome);
  void StartInstalledPlayer();
  void End();
  // Looks at the new player again after `delay`, unless StopStartWatch comes first.
  void StartWatchAfter(std::chrono::milliseconds delay);
  void StopStartWatch();
  void PlayerSignatureChecked(const platform::SignatureVerdict& verdict);
  void InstallAndStart();
  void WatchNewPlayer();
  void RollBackNewPlayer();
  // Tells how the return to the old player went (starting it when it is back) and ends.
  void RolledBack(bool back);

  platform::TApplication& m_application;
  http::TNetHTTP& m_versionClient;
  download::THTTPFetch& m_download;
  UpdateFlowView& m_view;
  PublisherSite m_site;
  // The version check's TLS, for a site that is https or may redirect there.
  std::unique_ptr<net::TNetIOHandlerTLS> m_tls;
  PlayerUpdate m_update;
  std::unique_ptr<PlayerSignatureCheck> m_signatureCheck;
  std::unique_ptr<platform::StartedProgram> m_newPlayer;
  std::chrono::milliseconds m_startLimit = StartLimit;
  std::chrono::steady_clock::time_point m_newPlayerStarted;
  std::uint64_t m_playerWindowBefore = 0;
  RunKind m_runKind = RunKind::Normal;
  Phase m_phase = Phase::Updating;
  FolderCheck m_folderCheck;
  ElevatedStart m_elevatedStart;
  std::unique_ptr<platform::ElevatedRun> m_elevatedRun;
  UpdateLog m_log;
  std::chrono::steady_clock::time_point m_runStarted = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_downloadStarted;
  int m_downloadTotal = -1;
  int m_downloadReaded = 0;
  // The start watch's current look; a look of an earlier number is stale.
  unsigned m_startWatchLook = 0;
  // Held by the flow while it lives: a look due after it has gone does nothing.
  std::shared_ptr<UpdateFlow*> m_self = std::make_shared<UpdateFlow*>(this);
};

} // namespace app
