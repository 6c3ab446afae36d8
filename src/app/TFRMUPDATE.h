#pragma once

#include "app/UpdateFlow.h"
#include "controls/TForm.h"
#include "download/THTTPFetch.h"
#include "http/TNetHTTP.h"

#include <string>

namespace platform {
class TApplication;
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

// The updater's main window. Its components are built when it is created, then FormCreate
// runs; FormShow runs to its end each time the window is about to become visible (Show), before
// the window is centred on the screen and shown; closing it in any way ends the program.
//
// The update itself is the window's UpdateFlow: each handler forwards to it, and the window
// shows what the flow reports.
class TFRMUPDATE : public controls::TForm, private UpdateFlowView {
public:
  static constexpr int ClientWidth = 409;
  static constexpr int ClientHeight = 305;

  // `kind`: what the program's arguments asked for (RunKindOf).
  explicit TFRMUPDATE(platform::TApplication& application, RunKind kind = RunKind::Normal);
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

protected:
  // The window's colour is the user's button face, taken again when the system colours change.
  void SystemColorsChanged() override;
  // Seam for tests: the publisher's site, and whether FormCreate runs.
  TFRMUPDATE(platform::TApplication& application, bool runFormCreate, PublisherSite site);
  // Seam for tests: the flow, for its publisher key and start limit.
  UpdateFlow& Flow() { return m_flow; }

private:
  void BuildLayout();

  // What the flow reports, shown in the window.
  void ShowStatus(const char* status) override;
  void ShowCheckBegun() override;
  void ShowVersionFile(const std::string& url) override;
  void ShowVersions(const std::string& current, const std::string& published) override;
  void ShowProgress(int totalSize, int readed, const std::string& remainingTime) override;
  void Tell(const char* message) override;
  void Finished() override;

  platform::TApplication& m_application;
  UpdateFlow m_flow;
};

// The one main window of the process, or null.
extern TFRMUPDATE* FRMUPDATE;

} // namespace app
