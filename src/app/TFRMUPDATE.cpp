#include "app/TFRMUPDATE.h"

#include "app/PlayerShutdown.h"
#include "platform/Application.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace app {

TFRMUPDATE* FRMUPDATE = nullptr;

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application) : TFRMUPDATE(application, true) {}

TFRMUPDATE::TFRMUPDATE(platform::TApplication& application, bool runFormCreate)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_application(application) {
  setWindowTitle(application.Title());
  setFixedSize(ClientWidth, ClientHeight);
  application.RegisterForm(this);
  if (!FRMUPDATE)
    FRMUPDATE = this;
  if (runFormCreate)
    m_application.Dispatch([this] { FormCreate(); });
}

TFRMUPDATE::~TFRMUPDATE() {
  if (FRMUPDATE == this)
    FRMUPDATE = nullptr;
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
  // The update attempt arrives with the version check.
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
  const QRect area = screen->geometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

} // namespace app
