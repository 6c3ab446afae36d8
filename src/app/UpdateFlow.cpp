#include "app/UpdateFlow.h"

#include "app/DownloadClient.h"
#include "app/FolderProbe.h"
#include "app/PlayerShutdown.h"
#include "app/PlayerSignatureCheck.h"
#include "app/UpdateTexts.h"
#include "app/VersionClient.h"
#include "net/TNetIOHandlerTLS.h"
#include "platform/Application.h"
#include "platform/DesktopWindows.h"
#include "platform/Elevation.h"
#include "platform/ExceptionName.h"
#include "platform/Exceptions.h"
#include "platform/StartProgram.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace app {

namespace {

// How long the elevated run is left between two looks at it.
constexpr std::chrono::milliseconds ElevatedRunLook{100};

std::string Milliseconds(std::chrono::steady_clock::time_point since) {
  using namespace std::chrono;
  return std::to_string(duration_cast<milliseconds>(steady_clock::now() - since).count()) +
         " ms";
}

std::string WorkingFolder() {
  std::error_code error;
  const std::u8string folder = std::filesystem::current_path(error).u8string();
  return error ? std::string("?") : std::string(folder.begin(), folder.end());
}

const char* RunKindName(RunKind kind) {
  switch (kind) {
  case RunKind::Normal:
    return "";
  case RunKind::Elevated:
    return " (elevated run)";
  case RunKind::ElevatedRollBack:
    return " (elevated run, to put the old player back)";
  }
  return "";
}

const char* ProgramStateName(platform::ProgramState state) {
  switch (state) {
  case platform::ProgramState::NotStarted:
    return "could not be run";
  case platform::ProgramState::Running:
    return "running";
  case platform::ProgramState::Succeeded:
    return "ended with success";
  case platform::ProgramState::Failed:
    return "ended with a failure";
  }
  return "?";
}

} // namespace

RunKind RunKindOf(int argc, char** argv) {
  bool elevated = false;
  bool rollBack = false;
  for (int i = 1; i < argc && argv[i]; ++i) {
    const std::string_view argument = argv[i];
    elevated = elevated || argument == ElevatedArgument;
    rollBack = rollBack || argument == RollBackArgument;
  }
  if (!elevated)
    return RunKind::Normal;
  return rollBack ? RunKind::ElevatedRollBack : RunKind::Elevated;
}

UpdateFlow::UpdateFlow(platform::TApplication& application, http::TNetHTTP& versionClient,
                       download::THTTPFetch& download, UpdateFlowView& view,
                       PublisherSite site, platform::FileOperations& files)
    : m_application(application), m_versionClient(versionClient), m_download(download),
      m_view(view), m_site(std::move(site)), m_update(files),
      m_signatureCheck(std::make_unique<PlayerSignatureCheck>()),
      m_folderCheck([] { return FolderChangeProblem(); }),
      m_elevatedStart(platform::StartElevatedSelf) {
  VersionClient(m_versionClient);
  if (m_site.followRedirects) {
    FollowRedirects(m_versionClient);
    m_tls = std::make_unique<net::TNetIOHandlerTLS>();
    m_versionClient.SetIOHandler(m_tls.get());
  }
  DownloadClient(m_download);
  m_update.RestoreInterruptedSwap();
}

UpdateFlow::~UpdateFlow() {
  // The client may outlive the flow; the TLS handler it was lent goes with the flow.
  if (m_tls)
    m_versionClient.SetIOHandler(nullptr);
  if (m_update.DownloadPending())
    m_update.DropPartialDownload();
  // A signature being fetched stops with its download, then its file goes.
  if (m_signatureCheck->Running()) {
    m_signatureCheck.reset();
    platform::SystemFileOperations().Remove(SignatureName);
  }
}

void UpdateFlow::UsePublisherKey(std::string publicKeyPem) {
  m_signatureCheck = std::make_unique<PlayerSignatureCheck>(std::move(publicKeyPem));
}

void UpdateFlow::Begin() {
  const std::string problem = m_folderCheck();
  m_log.Open(LogPathFor(problem.empty()));
  m_log.Write(std::string("run: updater ") + UpdaterVersion + RunKindName(m_runKind) +
              ", player's folder " + WorkingFolder() + ", publisher " + m_site.folder);
  if (problem.empty()) {
    if (m_runKind == RunKind::ElevatedRollBack) {
      RollBackElevated();
      return;
    }
    m_log.Write("closing the player");
    ClosePlayer();
    return;
  }
  m_log.Write("the player's folder cannot be changed: " + problem);
  m_phase = Phase::Ended;
  if (m_runKind != RunKind::Normal) {
    // The first run tells the user; the player stays as it is.
    EndElevated(m_runKind == RunKind::Elevated ? ElevatedOutcome::CannotWrite
                                               : ElevatedOutcome::RollBackFailed);
    return;
  }
  if (HandOff({ElevatedArgument}))
    return;
  m_log.Write("no elevated run: the player is left running, nothing is downloaded");
  m_view.Tell(texts::NeedsAdministrator);
  End();
}

bool UpdateFlow::HandOff(const std::vector<std::string>& arguments) {
  std::string line = "starting an elevated run:";
  for (const std::string& argument : arguments)
    line += " " + argument;
  // Before the start: the run's own lines come after this one.
  m_log.Write(line);
  m_elevatedRun = m_elevatedStart(arguments);
  if (!m_elevatedRun) {
    m_log.Write("the elevated run was refused or is not available here");
    return false;
  }
  m_phase = Phase::HandedOff;
  m_application.KeepMainWindowHidden();
  WaitForElevatedRun();
  return true;
}

void UpdateFlow::WaitForElevatedRun() {
  if (m_elevatedRun->Ended()) {
    const int code = m_elevatedRun->ExitCode();
    m_elevatedRun.reset();
    m_log.Write("elevated run ended with " + std::to_string(code));
    ElevatedRunEnded(code);
    return;
  }
  std::weak_ptr<UpdateFlow*> self = m_self;
  m_application.DispatchAfter(ElevatedRunLook, [self] {
    if (const std::shared_ptr<UpdateFlow*> flow = self.lock())
      (*flow)->WaitForElevatedRun();
  });
}

void UpdateFlow::ElevatedRunEnded(int exitCode) {
  if (m_newPlayer) {
    // The run that was to put the old player back after the new one failed to start.
    m_newPlayer.reset();
    RolledBack(exitCode == static_cast<int>(ElevatedOutcome::Done));
    return;
  }
  switch (static_cast<ElevatedOutcome>(exitCode)) {
  case ElevatedOutcome::Installed:
    // The player never runs with the elevated run's rights: this run starts and watches it.
    m_update.AdoptInstallOfAnotherRun();
    StartInstalledPlayer();
    return;
  case ElevatedOutcome::InstalledWithoutOld:
    m_log.Write("starting the new player");
    platform::StartProgram(std::string(PlayerExeName));
    End();
    return;
  case ElevatedOutcome::CannotWrite:
    m_log.Write("the elevated run cannot change the folder either: nothing is downloaded");
    m_view.Tell(texts::NeedsAdministrator);
    End();
    return;
  case ElevatedOutcome::Done:
  case ElevatedOutcome::RollBackFailed:
    break;
  }
  End();
}

void UpdateFlow::RollBackElevated() {
  m_phase = Phase::Ended;
  const bool back = m_update.AdoptInstallOfAnotherRun() && m_update.RollBack();
  m_log.Write(back ? "rolled back" : "roll back failed");
  EndElevated(back ? ElevatedOutcome::Done : ElevatedOutcome::RollBackFailed);
}

void UpdateFlow::EndElevated(ElevatedOutcome outcome) {
  m_application.SetExitCode(static_cast<int>(outcome));
  m_application.KeepMainWindowHidden();
  End();
}

void UpdateFlow::End() {
  m_phase = Phase::Ended;
  m_log.Write("run ended after " + Milliseconds(m_runStarted));
  m_view.Finished();
}

void UpdateFlow::ClosePlayer() {
  CloseWindowProcess(platform::FindWindowByClass(PlayerWindowClass));
  TerminateProcessesByName(PlayerExeName);
}

void UpdateFlow::Check() {
  if (m_phase != Phase::Updating)
    return;
  // Nothing is renamed yet: the installed player stays where it is until a complete new one
  // can take its place.
  CurrentVersion = UpdaterVersion;
  m_view.ShowCheckBegun();
  m_view.ShowStatus(texts::Checking);
  // The status is painted before the check blocks the thread.
  m_application.ProcessMessages();

  const std::string versionURL = VersionURL(m_site);
  const auto checkStarted = std::chrono::steady_clock::now();
  try {
    UseSystemProxy(m_versionClient, versionURL);
    NewVersion = m_versionClient.Get(versionURL);
  } catch (const std::exception& error) {
    m_log.Write("check " + versionURL + " failed after " + Milliseconds(checkStarted) + ": " +
                platform::ExceptionClassName(error) + ": " + error.what());
    m_view.Tell(texts::CheckFailed);
    throw platform::EAbort();
  } catch (...) {
    m_log.Write("check " + versionURL + " failed after " + Milliseconds(checkStarted));
    m_view.Tell(texts::CheckFailed);
    throw platform::EAbort();
  }
  m_view.ShowVersionFile(versionURL);

  const bool current = PlayerUpdate::Decide(CurrentVersion, NewVersion) == UpdateDecision::Current;
  m_log.Write("check " + versionURL + ": HTTP " + std::to_string(m_versionClient.ResponseCode()) +
              ", published \"" + DecodeWindows1254(NewVersion.substr(0, 64)) + "\" (" +
              std::to_string(NewVersion.size()) + " bytes) in " + Milliseconds(checkStarted) +
              ", installed " + CurrentVersion + (current ? ": current" : ": new version"));
  if (current) {
    m_view.ShowStatus(texts::Current);
  } else {
    m_view.ShowStatus(texts::Downloading);
    m_application.ProcessMessages();
    if (!m_update.PrepareBackupName()) {
      // The old player could not be kept: the user hears it now, not after the whole download.
      m_log.Write("the backup's name cannot be freed: nothing is downloaded");
      m_view.Tell(texts::DownloadFailed);
    } else {
      // The download creates its file fresh, never writes through a link, and flushes it
      // before it reports success.
      m_download.FlushFile = true;
      m_download.URL = DownloadURL(m_site);
      m_download.FileName = m_update.BeginDownload();
      m_log.Write("download " + m_download.URL + " into " + m_download.FileName);
      m_downloadStarted = std::chrono::steady_clock::now();
      m_download.StartDownload();
    }
  }
  m_view.ShowVersions(CurrentVersion, DecodeWindows1254(NewVersion));
}

void UpdateFlow::DownloadProgress(int totalSize, int readed) {
  m_downloadTotal = totalSize;
  m_downloadReaded = readed;
  m_view.ShowProgress(
      totalSize, readed,
      RemainingTimeText(static_cast<std::uint32_t>(totalSize), static_cast<std::uint32_t>(readed)));
}

void UpdateFlow::DownloadDone() {
  m_log.Write("download done: " + std::to_string(m_downloadReaded) + " bytes in " +
              Milliseconds(m_downloadStarted) +
              (m_download.FinalURL().empty() || m_download.FinalURL() == m_download.URL
                   ? std::string()
                   : ", from " + m_download.FinalURL()));
  // The engine reports success only for a file it has flushed (FlushFile) through its own
  // handle.
  m_update.DownloadFlushed();
  if (!m_signatureCheck->HasKey()) {
    InstallAndStart();
    return;
  }
  m_signatureCheck->OnChecked = [this](const platform::SignatureVerdict& verdict) {
    PlayerSignatureChecked(verdict);
  };
  // The signature lies beside the player where the download's redirects ended, not where they
  // began.
  const std::string playerURL =
      m_download.FinalURL().empty() ? DownloadURL(m_site) : m_download.FinalURL();
  m_signatureCheck->Start(SignatureURL(playerURL), SignatureName, m_update.PartialPath());
}

void UpdateFlow::DownloadFailed() {
  m_log.Write("download failed after " + std::to_string(m_downloadReaded) + " of " +
              (m_downloadTotal < 0 ? std::string("?") : std::to_string(m_downloadTotal)) +
              " bytes, " + Milliseconds(m_downloadStarted) + ": " +
              (m_download.FailureReason().empty() ? std::string("no reason given")
                                                  : m_download.FailureReason()));
  m_update.DropPartialDownload();
  m_view.Tell(texts::DownloadFailed);
}

void UpdateFlow::PlayerSignatureChecked(const platform::SignatureVerdict& verdict) {
  m_log.Write(verdict.Good ? std::string("signature good")
                           : "signature bad: " + verdict.Reason);
  if (!verdict.Good) {
    // A player the publisher did not sign is a failed download to the user.
    m_update.DropPartialDownload();
    m_view.Tell(texts::DownloadFailed);
    return;
  }
  InstallAndStart();
}

void UpdateFlow::InstallAndStart() {
  if (!m_update.Install()) {
    m_log.Write("install failed" +
                (m_update.LastFailure().empty() ? std::string() : " (" + m_update.LastFailure() + ")") +
                ": the player is as it was");
    m_view.Tell(texts::DownloadFailed);
    return;
  }
  m_log.Write(std::string("installed by ") + SwapMethodName(m_update.LastSwap()));
  m_view.ShowStatus(texts::Completed);
  if (m_runKind == RunKind::Elevated) {
    // The first run starts the player, without these rights.
    EndElevated(m_update.CanRollBack() ? ElevatedOutcome::Installed
                                       : ElevatedOutcome::InstalledWithoutOld);
    return;
  }
  StartInstalledPlayer();
}

void UpdateFlow::StartInstalledPlayer() {
  m_log.Write("starting the new player");
  // A player window shown before the start (one that would not close) is not the new player's.
  // Looked for first: a new player quick to show its window must not have it taken for an old
  // one.
  m_playerWindowBefore = platform::FindShownWindowByClass(PlayerWindowClass);
  m_newPlayer = platform::StartWatchedProgram(std::string(PlayerExeName));
  if (!m_update.CanRollBack()) {
    // There was no old player to return to.
    m_newPlayer.reset();
    End();
    return;
  }
  // The new player is watched from the event loop, which keeps the window answering.
  m_newPlayerStarted = std::chrono::steady_clock::now();
  WatchNewPlayer();
}

void UpdateFlow::WatchNewPlayer() {
  using namespace std::chrono;
  const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - m_newPlayerStarted);
  // Only a window on the screen counts: a player that made its window and then failed before
  // showing it (a missing file, a crash while starting) has not started.
  const platform::WindowHandle window = platform::FindShownWindowByClass(PlayerWindowClass);
  const bool windowShown = window != platform::NoWindow && window != m_playerWindowBefore;
  switch (PlayerUpdate::JudgeStart(m_newPlayer->State(), windowShown, elapsed, m_startLimit)) {
  case StartVerdict::Waiting:
    // Each look opens a display connection, so ten a second; the last comes at the limit.
    StartWatchAfter(std::min(milliseconds(100), m_startLimit - elapsed));
    return;
  case StartVerdict::Started:
    StopStartWatch();
    m_log.Write(std::string("the new player started: ") +
                (windowShown ? "its window is shown" : ProgramStateName(m_newPlayer->State())) +
                " after " + Milliseconds(m_newPlayerStarted));
    m_newPlayer.reset();
    End();
    return;
  case StartVerdict::Failed:
    StopStartWatch();
    m_log.Write(std::string("the new player did not start: it ") +
                ProgramStateName(m_newPlayer->State()) + " after " +
                Milliseconds(m_newPlayerStarted));
    RollBackNewPlayer();
    return;
  }
}

void UpdateFlow::RollBackNewPlayer() {
  if (m_update.LastSwap() == SwapMethod::AnotherRun) {
    // The elevated run installed it: another puts the old player back. m_newPlayer stays set
    // until it ends, which tells its end from the install's.
    if (HandOff({ElevatedArgument, RollBackArgument}))
      return;
    m_newPlayer.reset();
    RolledBack(false);
    return;
  }
  m_newPlayer.reset();
  const bool back = m_update.RollBack();
  if (!back && !m_update.LastFailure().empty())
    m_log.Write("the return failed with " + m_update.LastFailure());
  RolledBack(back);
}

void UpdateFlow::RolledBack(bool back) {
  if (back) {
    m_log.Write("rolled back: the old player is started");
    platform::StartProgram(std::string(PlayerExeName));
    m_view.Tell(texts::RolledBack);
  } else {
    m_log.Write("roll back failed");
    m_view.Tell(texts::RollBackFailed);
  }
  End();
}

void UpdateFlow::StartWatchAfter(std::chrono::milliseconds delay) {
  const unsigned look = ++m_startWatchLook;
  std::weak_ptr<UpdateFlow*> self = m_self;
  m_application.DispatchAfter(delay, [self, look] {
    const std::shared_ptr<UpdateFlow*> flow = self.lock();
    if (flow && (*flow)->m_startWatchLook == look)
      (*flow)->WatchNewPlayer();
  });
}

void UpdateFlow::StopStartWatch() {
  ++m_startWatchLook;
}

} // namespace app
