#include "platform/MessageBox.h"

#include "platform/Application.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace platform {

namespace {

QString ApplicationTitle() {
  const TApplication* app = TApplication::Instance();
  return app ? QString::fromStdString(app->Title()) : QGuiApplication::applicationDisplayName();
}

void CentreOnScreen(QWidget& box) {
  box.adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
  }
}

void RunBox(const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::NoButton, nullptr);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.setWindowModality(Qt::ApplicationModal);
  CentreOnScreen(box);
  box.exec();
}

} // namespace

void ShowMessageBox(const std::string& text) {
  RunBox(QString::fromStdString(text), QMessageBox::NoIcon);
}

void ShowErrorBox(const std::string& text) {
  RunBox(QString::fromStdString(text), QMessageBox::Critical);
}

} // namespace platform
