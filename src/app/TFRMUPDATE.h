#pragma once

#include "app/PlayerUpdate.h"
#include "controls/TForm.h"
#include "download/THTTPFetch.h"
#include "http/TNetHTTP.h"

#include <chrono>
#include <memory>
#include <string>

namespace platform {
class StartedProgram;
class TApplication;
struct SignatureVerdict;
} // namespace platform

namespace controls {
class TKvButton;
class TKvGroupBox;
class TKvLabel;
class TKvPanel;
class TKvProgressBar;
class TKvURLLabel;
} // namespace controls

namespace app {

class PlayerSignatureCheck;

// The updater's main window. Its components are built when it is created, then FormCreate
// runs; FormShow runs to its end each time the window is about to become visible (Show), before
// the window is centred on the screen and shown; closing it in any way ends the program.
//
// The update attempt never puts the installed player at risk: the new player is downloaded to
// a file of its own and takes the player's place only when it is complete, in one step, with
// the old one kept as "Kolvarin.bak" (PlayerUpdate); any other outcome leaves the player as it
// was. A build with a publisher key installs only a download whose signature is good. A new
// player that cannot be run, or that ends with a failure before it shows its window or has run
// for StartLimit, is replaced by the old one again and the user is told.
class TFRMUPDATE : public controls::TForm {
public:
  static constexpr int ClientWidth = 409;
  static constexpr int ClientHeight = 305;

  explicit TFRMUPDATE(platform::TApplication& application);
  ~TFRMUPDATE() override;

  // Handlers, each run on the user-interface thread.
  void FormCreate();
  void FormShow();
  void FormClose();
  void KvButton1Click();
  virtual void KvButton5Click();
  void HTTPFetchFileProgress(int totalSize, int readed);
  void HTTPFetchFileDoneFile();
  void HTTPFetchFileError();
  void UpdateRemainingTime();

  // Runs FormShow, centres the window and shows it.
  void Show();

  // The components, by their names in the layout.
  controls::TKvPanel* KvPanel1 = nullptr;
  controls::TControl* Image2 = nullptr;
  controls::TKvLabel* Label9 = nullptr;
  controls::TKvGroupBox* KvGroupBox1 = nullptr;
  controls::TKvLabel* Label2 = nullptr;
  controls::TKvURLLabel* KvURLLabel1 = nullptr;
  controls::TKvLabel* Label3 = nullptr;
  controls::TKvLabel* Label4 = nullptr;
  controls::TKvLabel* Label5 = nullptr;
  controls::TKvLabel* Label6 = nullptr;
  controls::TKvLabel* Label7 = nullptr;
  controls::TKvLabel* Label8 = nullptr;
  controls::TKvProgressBar* KvProgressBar1 = nullptr;
  controls::TKvGroupBox* KvGroupBox2 = nullptr;
  controls::TKvLabel* Label10 = nullptr;
  controls::TKvLabel* Label11 = nullptr;
  controls::TKvLabel* Label13 = nullptr;
  controls::TKvLabel* Label14 = nullptr;
  controls::TControl* Bevel1 = nullptr;
  controls::TKvButton* KvButton5 = nullptr;
  controls::TKvButton* KvButton6 = nullptr;
  controls::TKvButton* KvButton1 = nullptr;
  controls::TKvLabel* Label1 = nullptr;
  http::TNetHTTP sget;
  download::THTTPFetch HTTPFetchFile;

  std::string CurrentVersion;
  std::string NewVersion;

protected:
  // Seam for tests: the host of the publisher, and whether FormCreate runs.
  TFRMUPDATE(platform::TApplication& application, bool runFormCreate, std::string publisherHost);
  // Seams for tests: the publisher's key in place of the built-in one (empty: none), and the
  // time the new player has to show that it starts.
  void UsePublisherKey(std::string publicKeyPem);
  std::chrono::milliseconds m_startLimit = StartLimit;

private:
  void BuildLayout();
  // Looks at the new player again after `delay`, unless StopStartWatch comes first.
  void StartWatchAfter(std::chrono::milliseconds delay);
  void StopStartWatch();
  void PlayerSignatureChecked(const platform::SignatureVerdict& verdict);
  void InstallAndStart();
  void WatchNewPlayer();
  void RollBackNewPlayer();

  platform::TApplication& m_application;
  std::string m_host;
  PlayerUpdate m_update;
  std::unique_ptr<PlayerSignatureCheck> m_signatureCheck;
  std::unique_ptr<platform::StartedProgram> m_newPlayer;
  std::chrono::steady_clock::time_point m_newPlayerStarted;
  std::uint64_t m_playerWindowBefore = 0;
  // The start watch's current look; a look of an earlier number is stale.
  unsigned m_startWatchLook = 0;
  // Held by the window while it lives: a look due after it has gone does nothing.
  std::shared_ptr<TFRMUPDATE*> m_self = std::make_shared<TFRMUPDATE*>(this);
};

// The one main window of the process, or null.
extern TFRMUPDATE* FRMUPDATE;

} // namespace app
