#include "app/TFRMUPDATE.h"

#include "app/DownloadClient.h"
#include "app/PlayerShutdown.h"
#include "app/PlayerSignatureCheck.h"
#include "app/UpdateTexts.h"
#include "app/VersionClient.h"
#include "app/WindowControls.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/FileOperations.h"
#include "platform/MessageBox.h"
#include "platform/ProgramIcon.h"
#include "platform/StartProgram.h"
#include "platform/DesktopWindows.h"

#include <algorithm>

namespace app {

using namespace controls;
using platform::TFontSpec;

TFRMUPDATE* FRMUPDATE = nullptr;

namespace {

// The window's font, Tahoma, at a pixel size.
TFontSpec WindowFont(int pixelSize, bool bold = false, bool underline = false) {
  return {"Tahoma", pixelSize, bold, underline};
}

// The window's icon, centred in its area, over the panel's shading.
class IconImage2 : public TControl {
protected:
  void Paint(TCanvas& canvas) override {
    if (m_icon.IsEmpty())
      m_icon = platform::ProgramIconBitmap(32);
    canvas.Blend((Width() - m_icon.Width()) / 2, (Height() - m_icon.Height()) / 2, m_icon);
  }

private:
  platform::TBitmap m_icon;
};

// A bevel that draws one lowered (etched) line along its top edge.
class EtchedBevel : public TControl {
protected:
  void Paint(TCanvas& canvas) override {
    canvas.Line(0, 0, Width(), 0, clBtnShadow);
    canvas.Line(0, 1, Width(), 1, clBtnHighlight);
  }
};

TKvLabel* MakeLabel(TControl& parent, int left, int top, const std::string& caption,
                    const TFontSpec& font, TColor color = clBlack) {
  auto& label = parent.AddControl<TKvLabel>();
  label.SetTransparent(true);
  label.SetFontColor(color);
  label.SetFont(font);
  label.SetBounds(left, top, label.Width(), label.Height());
  label.SetCaption(caption);
  return &label;
}

TKvButton* MakeButton(TControl& parent, const platform::TRect& place, const std::string& caption,
                      const TFontSpec& font) {
  auto& button = parent.AddControl<TKvButton>();
  button.SetBounds(place);
  button.SetFont(font);
  button.SetCaption(caption);
  button.SetHotTrack(true);
  return &button;
}

} // namespace

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application)
    : TFRMUPDATE(application, true, PublisherHost()) {}

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application, bool runFormCreate,
                       std::string publisherHost)
    : m_application(application), m_host(std::move(publisherHost)),
      m_signatureCheck(std::make_unique<PlayerSignatureCheck>()) {
  CreateHost();
  SetCaption(application.Title());
  SetColor(ToPixel(clBtnFace));
  Host()->SetIcon(platform::ProgramIconSizes());
  SetClientSize({ClientWidth, ClientHeight});
  // Until the host reports its size (a host that shows nothing reports none), the form has it.
  HostResize({ClientWidth, ClientHeight}, Host()->Scale());
  BuildLayout();
  application.RegisterForm(Host());
  if (!FRMUPDATE)
    FRMUPDATE = this;
  // An earlier run interrupted in the middle of its swap may have left only the backup; it
  // becomes the player again before anything else happens.
  m_update.RestoreInterruptedSwap();
  if (runFormCreate)
    m_application.Dispatch([this] { FormCreate(); });
}

TFRMUPDATE::~TFRMUPDATE() {
  // A download still running stops with its component; what it wrote so far goes.
  if (m_update.DownloadPending())
    m_update.DropPartialDownload();
  // So does a signature being fetched, once its download has stopped.
  if (m_signatureCheck->Running()) {
    m_signatureCheck.reset();
    platform::SystemFileOperations().Remove(SignatureName);
  }
  if (FRMUPDATE == this)
    FRMUPDATE = nullptr;
}

void TFRMUPDATE::BuildLayout() {
  const TFontSpec windowFont = WindowFont(11);
  const TFontSpec captionFont = WindowFont(12, true);
  const TFontSpec valueFont = WindowFont(12);

  KvPanel1 = &AddControl<TKvPanel>();
  KvPanel1->SetBounds(0, 0, 409, 48);
  KvPanel1->SetFont(windowFont);
  KvPanel1->SetBorderOuter(fsNone);
  KvPanel1->SetVisualStyle(vsGradient);
  Image2 = &KvPanel1->AddControl<IconImage2>();
  Image2->SetBounds(0, 0, 48, 48);
  Label9 = &KvPanel1->AddControl<TKvLabel>();
  Label9->SetAutoSize(false);
  Label9->SetTransparent(true);
  Label9->SetBounds(48, 0, 361, 48);
  Label9->SetFont(WindowFont(13, true));
  Label9->SetTextAlignment(tfCenter | tfVCenter);
  Label9->SetCaption(texts::Waiting);

  KvGroupBox1 = &AddControl<TKvGroupBox>();
  KvGroupBox1->SetBounds(0, 48, 409, 114);
  KvGroupBox1->SetFont(WindowFont(11, true));
  KvGroupBox1->SetCaption("Güncelleme Durum Bilgileri");
  KvGroupBox1->SetGroupStyle(gsBanner);
  KvGroupBox1->SetVisualStyle(vsGradient);
  KvGroupBox1->SetColor(clWhite);
  KvGroupBox1->SetTransparent(true);
  Label2 = MakeLabel(*KvGroupBox1, 7, 22, "Dosya İndirme Sayfası", captionFont);
  KvURLLabel1 = &KvGroupBox1->AddControl<TKvURLLabel>();
  KvURLLabel1->SetTransparent(true);
  KvURLLabel1->SetFont(WindowFont(11, true, true));
  KvURLLabel1->SetBounds(7, 38, KvURLLabel1->Width(), KvURLLabel1->Height());
  Label3 = MakeLabel(*KvGroupBox1, 7, 57, "Dosya Boyutu :", captionFont);
  Label4 = MakeLabel(*KvGroupBox1, 7, 76, "İndirilen Boyut :", captionFont);
  Label5 = MakeLabel(*KvGroupBox1, 7, 95, "Kalan Zaman :", captionFont);
  Label6 = MakeLabel(*KvGroupBox1, 110, 57, "", valueFont);
  Label7 = MakeLabel(*KvGroupBox1, 110, 76, "", valueFont);
  Label8 = MakeLabel(*KvGroupBox1, 110, 95, "", valueFont);

  KvProgressBar1 = &AddControl<TKvProgressBar>();
  KvProgressBar1->SetFont(windowFont);
  ApplyWindowProgressBarValues(*KvProgressBar1);

  KvGroupBox2 = &AddControl<TKvGroupBox>();
  KvGroupBox2->SetBounds(0, 186, 409, 57);
  KvGroupBox2->SetFont(WindowFont(11, true));
  KvGroupBox2->SetCaption("Güncelleme Bilgileri");
  KvGroupBox2->SetGroupStyle(gsBanner);
  KvGroupBox2->SetVisualStyle(vsGradient);
  KvGroupBox2->SetColor(clWhite);
  KvGroupBox2->SetTransparent(true);
  Label10 = MakeLabel(*KvGroupBox2, 7, 23, "Mevcut Sürüm :", captionFont);
  Label11 = MakeLabel(*KvGroupBox2, 7, 42, "Yeni Sürüm : ", captionFont);
  Label13 = MakeLabel(*KvGroupBox2, 110, 23, "", valueFont);
  Label14 = MakeLabel(*KvGroupBox2, 110, 42, "", valueFont);

  Bevel1 = &AddControl<EtchedBevel>();
  Bevel1->SetBounds(0, 255, 409, 50);
  KvButton5 = MakeButton(*this, {7, 268, 7 + 75, 268 + 25}, "Güncelle", windowFont);
  KvButton6 = MakeButton(*this, {151, 268, 151 + 105, 268 + 25}, "Manuel Güncelle", windowFont);
  KvButton6->SetEnabled(false);
  KvButton1 = MakeButton(*this, {319, 268, 319 + 75, 268 + 25}, "Vazgeç", windowFont);
  Label1 = MakeLabel(*this, 324, 30, "Label1", windowFont, clWindowText);
  Label1->SetVisible(false);

  // Tab visits the three buttons in their order; the containers take no focus.
  KvButton5->SetTabOrder(0);
  KvButton6->SetTabOrder(1);
  KvButton1->SetTabOrder(2);
  KvButton5->OnClick = [this](TKvCustomButton*) {
    m_application.Dispatch([this] { KvButton5Click(); });
  };
  KvButton1->OnClick = [this](TKvCustomButton*) { KvButton1Click(); };
  OnClose = [this] { m_application.Dispatch([this] { FormClose(); }); };

  VersionClient(sget);
  DownloadClient(HTTPFetchFile);
  HTTPFetchFile.OnProgress = [this](download::THTTPFetchThread*, int total, int readed) {
    HTTPFetchFileProgress(total, readed);
  };
  HTTPFetchFile.OnDoneFile = [this](download::THTTPFetch*, const std::string&, int) {
    HTTPFetchFileDoneFile();
  };
  HTTPFetchFile.OnError = [this](download::THTTPFetch*) { HTTPFetchFileError(); };
}

void TFRMUPDATE::UsePublisherKey(std::string publicKeyPem) {
  m_signatureCheck = std::make_unique<PlayerSignatureCheck>(std::move(publicKeyPem));
}

void TFRMUPDATE::FormCreate() {
  CloseWindowProcess(platform::FindWindowByClass(PlayerWindowClass));
  TerminateProcessesByName(PlayerExeName);
}

void TFRMUPDATE::FormShow() {
  KvButton5Click();
}

void TFRMUPDATE::FormClose() {
  m_application.Terminate();
}

void TFRMUPDATE::KvButton1Click() {
  Close();
}

void TFRMUPDATE::KvButton5Click() {
  // Nothing is renamed yet: the installed player stays where it is until a complete new one
  // can take its place.
  CurrentVersion = UpdaterVersion;
  KvButton5->SetEnabled(false);
  Label9->SetCaption(texts::Checking);
  m_application.ProcessMessages();

  const std::string versionURL = VersionURL(m_host);
  try {
    NewVersion = sget.Get(versionURL);
  } catch (...) {
    platform::ShowMessageBox(texts::CheckFailed);
    throw platform::EAbort();
  }
  KvURLLabel1->SetCaption(versionURL);
  KvURLLabel1->SetURL(versionURL);

  if (PlayerUpdate::Decide(CurrentVersion, NewVersion) == UpdateDecision::Current) {
    Label9->SetCaption(texts::Current);
  } else {
    Label9->SetCaption(texts::Downloading);
    m_application.ProcessMessages();
    // The download creates its file fresh and never writes through a link.
    HTTPFetchFile.URL = DownloadURL(m_host);
    HTTPFetchFile.FileName = m_update.BeginDownload();
    HTTPFetchFile.StartDownload();
  }
  Label13->SetCaption(texts::VersionPrefix + CurrentVersion);
  Label14->SetCaption(texts::VersionPrefix + DecodeWindows1254(NewVersion));
}

void TFRMUPDATE::HTTPFetchFileProgress(int totalSize, int readed) {
  KvProgressBar1->SetTotalParts(static_cast<std::uint32_t>(totalSize));
  KvProgressBar1->SetPartsComplete(static_cast<std::uint32_t>(readed));
  Label7->SetCaption(std::to_string(readed) + texts::Kb);
  Label6->SetCaption(std::to_string(totalSize) + texts::Kb);
  UpdateRemainingTime();
  Label8->SetCaption(Label1->Caption());
}

void TFRMUPDATE::UpdateRemainingTime() {
  Label1->SetCaption(
      RemainingTimeText(KvProgressBar1->TotalParts(), KvProgressBar1->PartsComplete()));
}

void TFRMUPDATE::HTTPFetchFileDoneFile() {
  if (!m_signatureCheck->HasKey()) {
    InstallAndStart();
    return;
  }
  m_signatureCheck->OnChecked = [this](const platform::SignatureVerdict& verdict) {
    PlayerSignatureChecked(verdict);
  };
  m_signatureCheck->Start(SignatureURL(DownloadURL(m_host)), SignatureName, m_update.PartialPath());
}

void TFRMUPDATE::PlayerSignatureChecked(const platform::SignatureVerdict& verdict) {
  if (!verdict.Good) {
    // A player the publisher did not sign is a failed download to the user.
    m_update.DropPartialDownload();
    platform::ShowMessageBox(texts::DownloadFailed);
    return;
  }
  InstallAndStart();
}

void TFRMUPDATE::InstallAndStart() {
  if (!m_update.Install()) {
    platform::ShowMessageBox(texts::DownloadFailed);
    return;
  }
  Label9->SetCaption(texts::Completed);
  m_newPlayer = platform::StartWatchedProgram(std::string(PlayerExeName));
  if (!m_update.CanRollBack()) {
    // There was no old player to return to.
    m_newPlayer.reset();
    m_application.Terminate();
    return;
  }
  // The new player is watched from the event loop, which keeps the window answering.
  m_newPlayerStarted = std::chrono::steady_clock::now();
  // A player window that was there before the start (one that would not close) is not the new
  // player's.
  m_playerWindowBefore = platform::FindWindowByClass(PlayerWindowClass);
  WatchNewPlayer();
}

void TFRMUPDATE::WatchNewPlayer() {
  using namespace std::chrono;
  const auto elapsed = duration_cast<milliseconds>(steady_clock::now() - m_newPlayerStarted);
  const platform::WindowHandle window = platform::FindWindowByClass(PlayerWindowClass);
  const bool windowShown = window != platform::NoWindow && window != m_playerWindowBefore;
  switch (PlayerUpdate::JudgeStart(m_newPlayer->State(), windowShown, elapsed, m_startLimit)) {
  case StartVerdict::Waiting:
    // Each look opens a display connection, so ten a second; the last comes at the limit.
    StartWatchAfter(std::min(milliseconds(100), m_startLimit - elapsed));
    return;
  case StartVerdict::Started:
    StopStartWatch();
    m_newPlayer.reset();
    m_application.Terminate();
    return;
  case StartVerdict::Failed:
    StopStartWatch();
    m_newPlayer.reset();
    RollBackNewPlayer();
    return;
  }
}

void TFRMUPDATE::RollBackNewPlayer() {
  if (m_update.RollBack()) {
    platform::StartProgram(std::string(PlayerExeName));
    platform::ShowMessageBox(texts::RolledBack);
  } else {
    platform::ShowMessageBox(texts::RollBackFailed);
  }
  m_application.Terminate();
}

void TFRMUPDATE::HTTPFetchFileError() {
  m_update.DropPartialDownload();
  platform::ShowMessageBox(texts::DownloadFailed);
}

void TFRMUPDATE::StartWatchAfter(std::chrono::milliseconds delay) {
  const unsigned look = ++m_startWatchLook;
  std::weak_ptr<TFRMUPDATE*> self = m_self;
  m_application.DispatchAfter(delay, [self, look] {
    const std::shared_ptr<TFRMUPDATE*> form = self.lock();
    if (form && (*form)->m_startWatchLook == look)
      (*form)->WatchNewPlayer();
  });
}

void TFRMUPDATE::StopStartWatch() {
  ++m_startWatchLook;
}

void TFRMUPDATE::Show() {
  if (!Shown()) {
    m_application.Dispatch([this] { FormShow(); });
    Host()->CentreOnScreen();
  }
  TForm::Show();
}

} // namespace app
