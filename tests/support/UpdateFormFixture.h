#pragma once

// The update window against a scripted publisher, with its message boxes answered.

#include "UpdateFlowFixture.h"
#include "app/TFRMUPDATE.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace testsupport {

// The window with its stored values, without the start-up steps (no player is closed).
class UpdateForm : public app::TFRMUPDATE {
public:
  UpdateForm() : TFRMUPDATE(*platform::TApplication::Instance(), false, app::PublisherAt("kolvarin-test.example")) {}
  // The publisher's key in place of the built-in one.
  void UseKey(std::string publicKeyPem) { Flow().UsePublisherKey(std::move(publicKeyPem)); }
  void UseStartLimit(std::chrono::milliseconds limit) { Flow().UseStartLimit(limit); }
};

// Accepts every message box that opens while it lives, keeping the last text shown.
class BoxCloser {
public:
  BoxCloser() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        m_shown = box->text().toStdString();
        box->accept();
      }
    });
    m_timer.start(20);
  }
  // UTF-8, empty while no box has shown.
  const std::string& Shown() const { return m_shown; }

private:
  QTimer m_timer;
  std::string m_shown;
};

} // namespace testsupport
