#include "app/TFRMUPDATE.h"

#include "app/DownloadClient.h"
#include "app/PlayerShutdown.h"
#include "app/PlayerSignatureCheck.h"
#include "app/UpdateTexts.h"
#include "app/VersionClient.h"
#include "app/WindowControls.h"
#include "app/WindowIcon.h"
#include "controls/TKvButton.h"
#include "controls/TKvPanel.h"
#include "controls/TKvProgressBar.h"
#include "controls/TKvURLLabel.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/FileOperations.h"
#include "platform/MessageBox.h"
#include "platform/StartProgram.h"
#include "platform/X11Windows.h"
#include "platform/posix/WindowFonts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace app {

using namespace controls;
using platform::WindowFont;

TFRMUPDATE* FRMUPDATE = nullptr;

namespace {

// The window's icon, centred in its area, over the panel's shading.
class IconImage2 : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QImage icon = IconImage(32);
    painter.drawImage((width() - icon.width()) / 2, (height() - icon.height()) / 2, icon);
  }
};

// A bevel that draws one lowered (etched) line along its top edge.
class EtchedBevel : public QWidget {
public:
  using QWidget::QWidget;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintThroughCanvas(painter, width(), height(), [this](TCanvas& canvas) {
      canvas.Line(0, 0, width(), 0, clBtnShadow);
      canvas.Line(0, 1, width(), 1, clBtnHighlight);
    });
  }
};

TKvLabel* MakeLabel(QWidget* parent, int left, int top, const QString& caption, const QFont& font,
                    TColor color = clBlack) {
  auto* label = new TKvLabel(parent);
  label->SetTransparent(true);
  label->SetFontColor(color);
  label->SetFont(font);
  label->move(left, top);
  label->SetCaption(caption);
  return label;
}

TKvButton* MakeButton(QWidget* parent, const QRect& place, const QString& caption,
                      const QFont& font) {
  auto* button = new TKvButton(parent);
  button->setGeometry(place);
  button->setFont(font);
  button->SetCaption(caption);
  button->SetHotTrack(true);
  return button;
}

} // namespace

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application)
    : TFRMUPDATE(application, true, PublisherHost()) {}

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application, bool runFormCreate,
                       std::string publisherHost)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_application(application), m_host(std::move(publisherHost)),
      m_signatureCheck(std::make_unique<PlayerSignatureCheck>()) {
  setWindowTitle(application.Title());
  setWindowIcon(ProgramIcon());
  setFixedSize(ClientWidth, ClientHeight);
  BuildLayout();
  application.RegisterForm(this);
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
  const QFont windowFont = WindowFont(11);
  setFont(windowFont);
  const QFont captionFont = WindowFont(12, true);
  const QFont valueFont = WindowFont(12);

  KvPanel1 = new TKvPanel(this);
  KvPanel1->setGeometry(0, 0, 409, 48);
  KvPanel1->SetBorderOuter(fsNone);
  KvPanel1->SetVisualStyle(vsGradient);
  Image2 = new IconImage2(KvPanel1);
  Image2->setGeometry(0, 0, 48, 48);
  Label9 = new TKvLabel(KvPanel1);
  Label9->SetAutoSize(false);
  Label9->SetTransparent(true);
  Label9->setGeometry(48, 0, 361, 48);
  Label9->setFont(WindowFont(13, true));
  Label9->SetTextAlignment(tfCenter | tfVCenter);
  Label9->SetCaption(texts::Waiting);

  KvGroupBox1 = new TKvGroupBox(this);
  KvGroupBox1->setGeometry(0, 48, 409, 114);
  KvGroupBox1->setFont(WindowFont(11, true));
  KvGroupBox1->SetCaption(QStringLiteral("Güncelleme Durum Bilgileri"));
  KvGroupBox1->SetGroupStyle(gsBanner);
  KvGroupBox1->SetVisualStyle(vsGradient);
  KvGroupBox1->SetColor(clWhite);
  KvGroupBox1->SetTransparent(true);
  Label2 = MakeLabel(KvGroupBox1, 7, 22, QStringLiteral("Dosya İndirme Sayfası"), captionFont);
  KvURLLabel1 = new TKvURLLabel(KvGroupBox1);
  KvURLLabel1->SetTransparent(true);
  KvURLLabel1->SetFont(WindowFont(11, true, true));
  KvURLLabel1->move(7, 38);
  Label3 = MakeLabel(KvGroupBox1, 7, 57, QStringLiteral("Dosya Boyutu :"), captionFont);
  Label4 = MakeLabel(KvGroupBox1, 7, 76, QStringLiteral("İndirilen Boyut :"), captionFont);
  Label5 = MakeLabel(KvGroupBox1, 7, 95, QStringLiteral("Kalan Zaman :"), captionFont);
  Label6 = MakeLabel(KvGroupBox1, 110, 57, QString(), valueFont);
  Label7 = MakeLabel(KvGroupBox1, 110, 76, QString(), valueFont);
  Label8 = MakeLabel(KvGroupBox1, 110, 95, QString(), valueFont);

  KvProgressBar1 = new TKvProgressBar(this);
  ApplyWindowProgressBarValues(*KvProgressBar1);

  KvGroupBox2 = new TKvGroupBox(this);
  KvGroupBox2->setGeometry(0, 186, 409, 57);
  KvGroupBox2->setFont(WindowFont(11, true));
  KvGroupBox2->SetCaption(QStringLiteral("Güncelleme Bilgileri"));
  KvGroupBox2->SetGroupStyle(gsBanner);
  KvGroupBox2->SetVisualStyle(vsGradient);
  KvGroupBox2->SetColor(clWhite);
  KvGroupBox2->SetTransparent(true);
  Label10 = MakeLabel(KvGroupBox2, 7, 23, QStringLiteral("Mevcut Sürüm :"), captionFont);
  Label11 = MakeLabel(KvGroupBox2, 7, 42, QStringLiteral("Yeni Sürüm : "), captionFont);
  Label13 = MakeLabel(KvGroupBox2, 110, 23, QString(), valueFont);
  Label14 = MakeLabel(KvGroupBox2, 110, 42, QString(), valueFont);

  Bevel1 = new EtchedBevel(this);
  Bevel1->setGeometry(0, 255, 409, 50);
  KvButton5 = MakeButton(this, {7, 268, 75, 25}, QStringLiteral("Güncelle"), windowFont);
  KvButton6 = MakeButton(this, {151, 268, 105, 25}, QStringLiteral("Manuel Güncelle"), windowFont);
  KvButton6->setEnabled(false);
  KvButton1 = MakeButton(this, {319, 268, 75, 25}, QStringLiteral("Vazgeç"), windowFont);
  Label1 = MakeLabel(this, 324, 30, QStringLiteral("Label1"), windowFont, clWindowText);
  Label1->hide();

  for (QWidget* container : {static_cast<QWidget*>(KvPanel1), static_cast<QWidget*>(KvGroupBox1),
                             static_cast<QWidget*>(KvGroupBox2)})
    container->setFocusPolicy(Qt::NoFocus);
  setTabOrder(KvButton5, KvButton6);
  setTabOrder(KvButton6, KvButton1);
  KvButton5->OnClick = [this](TKvCustomButton*) {
    m_application.Dispatch([this] { KvButton5Click(); });
  };
  KvButton1->OnClick = [this](TKvCustomButton*) { KvButton1Click(); };

  VersionClient(sget);
  DownloadClient(HTTPFetchFile);
  HTTPFetchFile.OnProgress = [this](download::THTTPFetchThread*, int total, int readed) {
    HTTPFetchFileProgress(total, readed);
  };
  HTTPFetchFile.OnDoneFile = [this](download::THTTPFetch*, const std::string&, int) {
    HTTPFetchFileDoneFile();
  };
  HTTPFetchFile.OnError = [this](download::THTTPFetch*) { HTTPFetchFileError(); };
  m_startWatch.setSingleShot(true);
  QObject::connect(&m_startWatch, &QTimer::timeout, this, [this] { WatchNewPlayer(); });
}

void TFRMUPDATE::UsePublisherKey(std::string publicKeyPem) {
  m_signatureCheck = std::make_unique<PlayerSignatureCheck>(std::move(publicKeyPem));
}

void TFRMUPDATE::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  PaintThroughCanvas(
      painter, width(), height(),
      [this](TCanvas& canvas) {
        canvas.FillRect({0, 0, width(), height()}, clBtnFace);
      },
      event->rect());
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
  close();
}

void TFRMUPDATE::KvButton5Click() {
  // Nothing is renamed yet: the installed player stays where it is until a complete new one
  // can take its place.
  CurrentVersion = UpdaterVersion;
  KvButton5->setEnabled(false);
  Label9->SetCaption(texts::Checking);
  QCoreApplication::processEvents();

  const std::string versionURL = VersionURL(m_host);
  try {
    NewVersion = sget.Get(versionURL);
  } catch (...) {
    platform::ShowMessageBox(texts::CheckFailed);
    throw platform::EAbort();
  }
  KvURLLabel1->SetCaption(QString::fromStdString(versionURL));
  KvURLLabel1->SetURL(QString::fromStdString(versionURL));

  if (PlayerUpdate::Decide(CurrentVersion, NewVersion) == UpdateDecision::Current) {
    Label9->SetCaption(texts::Current);
  } else {
    Label9->SetCaption(texts::Downloading);
    QCoreApplication::processEvents();
    // The download creates its file fresh and never writes through a link.
    HTTPFetchFile.URL = DownloadURL(m_host);
    HTTPFetchFile.FileName = m_update.BeginDownload();
    HTTPFetchFile.StartDownload();
  }
  Label13->SetCaption(texts::VersionPrefix + QString::fromStdString(CurrentVersion));
  Label14->SetCaption(texts::VersionPrefix + DecodeWindows1254(NewVersion));
}

void TFRMUPDATE::HTTPFetchFileProgress(int totalSize, int readed) {
  KvProgressBar1->SetTotalParts(static_cast<std::uint32_t>(totalSize));
  KvProgressBar1->SetPartsComplete(static_cast<std::uint32_t>(readed));
  Label7->SetCaption(QString::number(readed) + texts::Kb);
  Label6->SetCaption(QString::number(totalSize) + texts::Kb);
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
    m_startWatch.start(
        static_cast<int>(std::min(milliseconds(100), m_startLimit - elapsed).count()));
    return;
  case StartVerdict::Started:
    m_startWatch.stop();
    m_newPlayer.reset();
    m_application.Terminate();
    return;
  case StartVerdict::Failed:
    m_startWatch.stop();
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

void TFRMUPDATE::setVisible(bool visible) {
  if (visible && !isVisible()) {
    m_application.Dispatch([this] { FormShow(); });
    CentreOnScreen();
  }
  QWidget::setVisible(visible);
}

void TFRMUPDATE::closeEvent(QCloseEvent* event) {
  m_application.Dispatch([this] { FormClose(); });
  event->accept();
}

void TFRMUPDATE::CentreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen)
    return;
  const QWindow* handle = windowHandle();
  const QMargins frame = handle ? handle->frameMargins() : QMargins();
  m_centredWithFrame = !frame.isNull();
  move(CentredWindowPosition(screen->geometry(), size(), frame));
}

void TFRMUPDATE::moveEvent(QMoveEvent* event) {
  // The window manager tells the frame only once the window is up: centre it again with it.
  const QWindow* handle = windowHandle();
  if (!m_centredWithFrame && isVisible() && handle && !handle->frameMargins().isNull())
    CentreOnScreen();
  QWidget::moveEvent(event);
}

} // namespace app
