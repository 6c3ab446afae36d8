#pragma once

// The update against a scripted publisher on 127.0.0.2:80 (kolvarin-test.example in the hosts
// file scripts/test provides), in a working folder of its own, on either system.

#include "ScriptedServer.h"
#include "TempDir.h"
#include "platform/Application.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

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

// Handles events until `done` or `ms` milliseconds have passed; whether `done` came.
inline bool WaitUntil(const std::function<bool()>& done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    platform::TApplication::Instance()->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Handles the events of the next `ms` milliseconds.
inline void WaitFor(int ms) {
  WaitUntil([] { return false; }, ms);
}

// The publisher's two files, and the player's signature when one is given.
inline std::vector<Script> PublisherScripts(const std::string& player,
                                            const std::optional<std::string>& signature = {}) {
  std::vector<Script> scripts = {{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.1")), Close()},
                                 {ReadUntil("\r\n\r\n"), Send(Answer(player)), Close()}};
  if (signature)
    scripts.push_back({ReadUntil("\r\n\r\n"), Send(Answer(*signature)), Close()});
  return scripts;
}

// Runs each test in a fresh working folder holding "Kolvarin.exe" with OldPlayer() in it.
class UpdateFolderTest : public testing::Test {
protected:
  virtual std::string OldPlayer() const { return "old player"; }
  void SetUp() override {
    if (!std::getenv("KOLVARIN_TEST_HOSTS"))
      GTEST_SKIP() << "needs the hosts file and port 80 of scripts/test";
    // A Windows test program has no application object of its own.
    if (!platform::TApplication::Instance())
      m_application.emplace(m_argc, m_argv);
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(m_folder.Path());
    std::ofstream("Kolvarin.exe", std::ios::binary) << OldPlayer();
    std::filesystem::permissions("Kolvarin.exe", std::filesystem::perms(0750));
  }
  void TearDown() override {
    if (!m_previous.empty())
      std::filesystem::current_path(m_previous);
  }
  TempDir m_folder;
  std::filesystem::path m_previous;
  int m_argc = 1;
  char m_name[5] = "test";
  char* m_argv[2] = {m_name, nullptr};
  std::optional<platform::TApplication> m_application;
};

} // namespace testsupport
