#pragma once

// The update window against a scripted publisher at kolvarin-test.example (127.0.0.2:80, from
// the hosts file scripts/test provides), in a working folder of its own.

#include "ChildProcess.h"
#include "app/TFRMUPDATE.h"
#include "platform/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace testsupport {

// The window with its stored values, without the start-up steps (no player is closed).
class UpdateForm : public app::TFRMUPDATE {
public:
  UpdateForm() : TFRMUPDATE(*platform::TApplication::Instance(), false, "kolvarin-test.example") {}
  // The publisher's key in place of the built-in one.
  void UseKey(std::string publicKeyPem) { UsePublisherKey(std::move(publicKeyPem)); }
  void UseStartLimit(std::chrono::milliseconds limit) { m_startLimit = limit; }
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

// A complete answer with a length and a closing connection.
inline std::string Answer(const std::string& body, const std::string& status = "200 OK") {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// The bytes of a file; "<none>" when the path is missing, "<folder>" for anything else.
inline std::string FileText(const std::filesystem::path& path) {
  if (!std::filesystem::exists(path))
    return "<none>";
  if (!std::filesystem::is_regular_file(path))
    return "<folder>";
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Runs each test in a fresh working folder holding "Kolvarin.exe" with OldPlayer() in it.
class UpdateFolderTest : public testing::Test {
protected:
  virtual std::string OldPlayer() const { return "old player"; }
  void SetUp() override {
    if (!std::getenv("KOLVARIN_TEST_HOSTS"))
      GTEST_SKIP() << "needs the hosts file and port 80 of scripts/test";
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_folder.Path());
    std::ofstream("Kolvarin.exe") << OldPlayer();
    std::filesystem::permissions("Kolvarin.exe", std::filesystem::perms(0750));
  }
  void TearDown() override {
    if (!m_previous.empty())
      std::filesystem::current_path(m_previous);
  }
  TempDir m_folder;
  std::filesystem::path m_previous;
};

} // namespace testsupport
