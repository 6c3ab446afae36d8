#include "app/UpdateFlow.h"

#include "app/DownloadClient.h"
#include "app/PlayerShutdown.h"
#include "app/PlayerSignatureCheck.h"
#include "app/UpdateTexts.h"
#include "app/VersionClient.h"
#include "net/TNetIOHandlerTLS.h"
#include "platform/Application.h"
#include "platform/DesktopWindows.h"
#include "platform/Exceptions.h"
#include "platform/StartProgram.h"

#include <algorithm>

namespace app {

UpdateFlow::UpdateFlow(platform::TApplication& application, http::TNetHTTP& versionClient,
                       download::THTTPFetch& download, UpdateFlowView& view,
                       PublisherSite site, platform::FileOperations& files)
    : m_application(application), m_versionClient(versionClient), m_download(download),
      m_view(view), m_site(std::move(site)), m_update(files),
      m_signatureCheck(std::make_unique<PlayerSignatureCheck>()) {
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

void UpdateFlow::ClosePlayer() {
  CloseWindowProcess(platform::FindWindowByClass(PlayerWindowClass));
  TerminateProcessesByName(PlayerExeName);
}

void UpdateFlow::Check() {
  // Nothing is renamed yet: the installed player stays where it is until a complete new one
  // can take its place.
  CurrentVersion = UpdaterVersion;
  m_view.ShowCheckBegun();
  m_view.ShowStatus(texts::Checking);
  // The status is painted before the check blocks the thread.
  m_application.ProcessMessages();

  const std::string versionURL = VersionURL(m_site);
  try {
    UseSystemProxy(m_versionClient, versionURL);
    NewVersion = m_versionClient.Get(versionURL);
  } catch (...) {
    m_view.Tell(texts::CheckFailed);
    throw platform::EAbort();
  }
  m_view.ShowVersionFile(versionURL);

  if (PlayerUpdate::Decide(CurrentVersion, NewVersion) == UpdateDecision::Current) {
    m_view.ShowStatus(texts::Current);
  } else {
    m_view.ShowStatus(texts::Downloading);
    m_application.ProcessMessages();
    // The download creates its file fresh and never writes through a link.
    m_download.URL = DownloadURL(m_site);
    m_download.FileName = m_update.BeginDownload();
    m_download.StartDownload();
  }
  m_view.ShowVersions(CurrentVersion, DecodeWindows1254(NewVersion));
}

void UpdateFlow::DownloadProgress(int totalSize, int readed) {
  m_view.ShowProgress(
      totalSize, readed,
      RemainingTimeText(static_cast<std::uint32_t>(totalSize), static_cast<std::uint32_t>(readed)));
}

void UpdateFlow::DownloadDone() {
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
  m_update.DropPartialDownload();
  m_view.Tell(texts::DownloadFailed);
}

void UpdateFlow::PlayerSignatureChecked(const platform::SignatureVerdict& verdict) {
  if (!verdict.Good) {
    // A player the publisher did not sign is a failed download to the user.
    DownloadFailed();
    return;
  }
  InstallAndStart();
}

void UpdateFlow::InstallAndStart() {
  if (!m_update.Install()) {
    m_view.Tell(texts::DownloadFailed);
    return;
  }
  m_view.ShowStatus(texts::Completed);
  // A player window shown before the start (one that would not close) is not the new player's.
  // Looked for first: a new player quick to show its window must not have it taken for an old
  // one.
  m_playerWindowBefore = platform::FindShownWindowByClass(PlayerWindowClass);
  m_newPlayer = platform::StartWatchedProgram(std::string(PlayerExeName));
  if (!m_update.CanRollBack()) {
    // There was no old player to return to.
    m_newPlayer.reset();
    m_view.Finished();
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
    m_newPlayer.reset();
    m_view.Finished();
    return;
  case StartVerdict::Failed:
    StopStartWatch();
    m_newPlayer.reset();
    RollBackNewPlayer();
    return;
  }
}

void UpdateFlow::RollBackNewPlayer() {
  if (m_update.RollBack()) {
    platform::StartProgram(std::string(PlayerExeName));
    m_view.Tell(texts::RolledBack);
  } else {
    m_view.Tell(texts::RollBackFailed);
  }
  m_view.Finished();
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
