// kolvarin-update.exe under Wine as a screen reader reads it: a second Windows program
// (kv-accessible-reader-win, tests/win32/AccessibleReader.cpp) takes the window's client object
// through Microsoft Active Accessibility, prints its parts, presses a button and listens to the
// window's events. The publisher is a scripted server at www.kolvarin.example (127.0.0.3 in the
// private network of scripts/test), so that a download can stop at a known byte and the window
// holds still while it is read.
#include "ChildProcess.h"
#include "ScriptedServer.h"
#include "Signing.h"
#include "TempDir.h"
#include "UpdaterWindows.h"
#include "platform/DesktopWindows.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const char* const Wine = "/usr/lib/wine/wine64";
const char* const UpdaterClass = "kolvarin-update.exe";
const char* const Address = "127.0.0.3";

// The player on offer: 1,000,000 bytes, of which a download gets 400,000 and then waits.
constexpr int PlayerSize = 1000000;
constexpr int ChunkSize = 10000;
constexpr int ChunksSent = 40;

std::string Answer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// The publisher's side of a check that finds `version`, and of a download that sends its
// chunks `pause` ms apart after waiting `wait` ms, then holds.
std::vector<Script> Publishing(const std::string& version, int wait = 0, int pause = 20) {
  Script download{ReadUntil("\r\n\r\n"), Pause(wait),
                  Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(PlayerSize) +
                       "\r\nConnection: close\r\n\r\n")};
  for (int chunk = 0; chunk < ChunksSent; ++chunk) {
    download.push_back(Send(std::string(ChunkSize, chunk == 0 ? 'M' : '#')));
    download.push_back(Pause(pause));
  }
  download.push_back(Pause(120000));
  return {{ReadUntil("\r\n\r\n"), Send(Answer(version)), Close()}, download};
}

struct Part {
  std::string id, role, name, value, states, location, action;
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

std::vector<Part> Parts(const std::string& printout) {
  std::vector<Part> parts;
  std::istringstream lines(printout);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields = Fields(line);
    if (fields[0] != "part")
      continue;
    fields.resize(8);
    parts.push_back({fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]});
  }
  return parts;
}

const Part* Find(const std::vector<Part>& parts, const std::string& role, const std::string& name) {
  for (const Part& part : parts) {
    if (part.role == role && part.name == name)
      return &part;
  }
  return nullptr;
}

// What the window's status line says: its first text.
std::string Status(const std::vector<Part>& parts) {
  for (const Part& part : parts) {
    if (part.role == "text")
      return part.name;
  }
  return "";
}

class WindowsAccessibility : public testing::Test {
protected:
  void SetUp() override {
    const char* build = std::getenv("KOLVARIN_WINDOWS_BUILD");
    if (!std::getenv("KOLVARIN_TEST_HOSTS") || !std::getenv("DISPLAY") ||
        !std::getenv("WINEPREFIX") || !build || access(Wine, X_OK) != 0)
      GTEST_SKIP() << "needs the private network, display, Wine and Windows build of scripts/test";
    m_build = build;
    m_reader = m_build / "tests/support/kv-accessible-reader-win.exe";
    ASSERT_TRUE(fs::exists(m_build / "kolvarin-update.exe"));
    ASSERT_TRUE(fs::exists(m_reader));
    fs::copy_file(m_build / "kolvarin-update.exe", m_folder.Path() / "kolvarin-update.exe");
    m_oldPlayer =
        ReadBytes(m_build / "tests/support/kv-recording-player-win.exe") + "\n# Kolvarin 1.0.0.0\n";
    WriteBytes(m_folder.Path() / "Kolvarin.exe", m_oldPlayer);
  }

  std::unique_ptr<ChildProcess> StartUpdater() {
    return std::make_unique<ChildProcess>(
        Wine, StartOptions{.args = {(m_folder.Path() / "kolvarin-update.exe").string()},
                           .workingDir = m_folder.Path()});
  }

  RunResult Reader(const std::vector<std::string>& args) {
    std::vector<std::string> all{m_reader.string()};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(Wine, all, 60s);
  }

  // The window's parts once `ready` holds for them (or the last read after 30 s), and the
  // printout they came from.
  std::vector<Part> ReadWhen(const std::function<bool(const std::vector<Part>&)>& ready,
                             std::string* printout = nullptr) {
    std::vector<Part> parts;
    const auto end = std::chrono::steady_clock::now() + 30s;
    do {
      const RunResult read = Reader({"walk"});
      parts = Parts(read.out);
      if (printout)
        *printout = read.out;
      if (ready(parts))
        break;
      std::this_thread::sleep_for(200ms);
    } while (std::chrono::steady_clock::now() < end);
    return parts;
  }

  fs::path m_build;
  fs::path m_reader;
  std::string m_oldPlayer;
  TempDir m_folder;
};

// One row: a part found by its role and name, what it reads and its states.
struct Row {
  const char* role;
  const char* name;
  std::string value;
  const char* states;
  const char* action;
};

void ExpectRows(const std::vector<Part>& parts, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.role) + " " + row.name);
    const Part* part = Find(parts, row.role, row.name);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->value, row.value);
    EXPECT_EQ(part->states, row.states);
    EXPECT_EQ(part->action, row.action);
  }
}

TEST_F(WindowsAccessibility, TheWindowReadsAsItShowsWhenCurrentDownloadingOrFailed) {
  const std::string versionFile = "http://www.kolvarin.example/programlar/radyo/kolvarin.txt";
  const std::string current = "Kullandığınız Sürüm Güncel..";
  const std::string downloading = "Güncel sürüm yükleniyor lütfen bekleyin...";
  const std::string checking = "Program sürümü kontrol ediliyor...";
  // Parts every state has alike.
  const std::vector<Row> always = {
      {"client", "Kolvarin Radyo Güncelleme", "", "", ""},
      {"grouping", "Güncelleme Durum Bilgileri", "", "", ""},
      {"grouping", "Güncelleme Bilgileri", "", "", ""},
      {"text", "Dosya Boyutu :", "", "", ""},
      {"button", "Manuel Güncelle", "", "unavailable", "press"},
  };
  const struct {
    const char* what;
    std::optional<std::vector<Script>> publisher;
    std::string status;
    std::string downloaded; // what the window shows once it holds still
    bool toldFirst;         // a message box comes before the window
    std::vector<Row> rows;
  } cases[] = {
      {"current",
       std::vector<Script>{{ReadUntil("\r\n\r\n"), Send(Answer("1.0.0.0")), Close()}},
       current,
       "",
       false,
       {
           {"link", "Dosya İndirme Sayfası", versionFile, "focusable,linked", "jump"},
           {"text", "Dosya Boyutu", "", "", ""},
           {"text", "İndirilen Boyut", "", "", ""},
           {"text", "Kalan Zaman", "", "", ""},
           {"progressbar", "Güncelleme Durum Bilgileri", "0%", "", ""},
           {"text", "Mevcut Sürüm", "Kolvarin Radyo Versiyon : 1.0.0.0", "", ""},
           {"text", "Yeni Sürüm", "Kolvarin Radyo Versiyon : 1.0.0.0", "", ""},
           {"button", "Güncelle", "", "unavailable", "press"},
           {"text", "Label1", "", "invisible", ""},
       }},
      {"downloading",
       Publishing("1.0.0.1"),
       downloading,
       "400000 Kb",
       false,
       {
           {"link", "Dosya İndirme Sayfası", versionFile, "focusable,linked", "jump"},
           {"text", "Dosya Boyutu", "1000000 Kb", "", ""},
           {"text", "İndirilen Boyut", "400000 Kb", "", ""},
           // 600,000 bytes still to come, at the 10,000 a second the window reckons with.
           {"text", "Kalan Zaman", "00:01:00 Sn ", "", ""},
           {"progressbar", "Güncelleme Durum Bilgileri", "40%", "", ""},
           {"text", "Mevcut Sürüm", "Kolvarin Radyo Versiyon : 1.0.0.0", "", ""},
           {"text", "Yeni Sürüm", "Kolvarin Radyo Versiyon : 1.0.0.1", "", ""},
           {"button", "Güncelle", "", "unavailable", "press"},
           // The hidden label keeps the last remaining time.
           {"text", "00:01:00 Sn ", "", "invisible", ""},
       }},
      // No server: the check fails, its message comes first, then the window stays as it was.
      {"failed",
       std::nullopt,
       checking,
       "",
       true,
       {
           {"link", "Dosya İndirme Sayfası", "", "linked", ""},
           {"text", "Dosya Boyutu", "", "", ""},
           {"progressbar", "Güncelleme Durum Bilgileri", "0%", "", ""},
           {"text", "Mevcut Sürüm", "", "", ""},
           {"button", "Güncelle", "", "unavailable", "press"},
           {"text", "Label1", "", "invisible", ""},
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<ScriptedServer> server;
    if (c.publisher)
      server.emplace(*c.publisher, 80, Address);
    auto updater = StartUpdater();
    if (c.toldFirst) {
      platform::WindowHandle message = platform::NoWindow;
      ASSERT_TRUE(WaitFor(
          [&] { return (message = platform::FindShownWindowByClass(UpdaterClass)) != 0; }, 30s));
      platform::RequestWindowClose(message, 5000ms);
    }
    std::string printout;
    const std::vector<Part> parts = ReadWhen(
        [&](const std::vector<Part>& read) {
          const Part* size = Find(read, "text", "İndirilen Boyut");
          return Status(read) == c.status && size && size->value == c.downloaded;
        },
        &printout);
    std::cout << "The " << c.what << " window as a screen reader reads it:\n" << printout;
    EXPECT_EQ(Status(parts), c.status);
    ExpectRows(parts, always);
    ExpectRows(parts, c.rows);
    // The parts come in reading order, numbered from the window's 0.
    for (std::size_t i = 0; i < parts.size(); ++i)
      EXPECT_EQ(parts[i].id, std::to_string(i)) << printout;
    const Part* vazgec = Find(parts, "button", "Vazgeç");
    ASSERT_NE(vazgec, nullptr);
    EXPECT_NE(vazgec->states.find("focusable"), std::string::npos);
    EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
  }
}

TEST_F(WindowsAccessibility, PressingVazgecDuringADownloadEndsTheUpdaterAsAClickDoes) {
  ScriptedServer server(Publishing("1.0.0.1"), 80, Address);
  auto updater = StartUpdater();
  const std::vector<Part> parts = ReadWhen([](const std::vector<Part>& read) {
    const Part* bar = Find(read, "progressbar", "Güncelleme Durum Bilgileri");
    return bar && bar->value == "40%";
  });
  const Part* vazgec = Find(parts, "button", "Vazgeç");
  ASSERT_NE(vazgec, nullptr);
  const fs::path partial = m_folder.Path() / "Kolvarin.exe.part";
  ASSERT_TRUE(fs::exists(partial));
  auto pressed = std::make_unique<ChildProcess>(
      Wine, StartOptions{.args = {m_reader.string(), "do", vazgec->id}});
  EXPECT_EQ(pressed->ReadLine(30s), "done 0x00000000");
  const auto ended = updater->WaitExit(20s);
  ASSERT_TRUE(ended.has_value()) << "the window stayed";
  EXPECT_TRUE(updater->ExitedNormallyWith(0));
  // The reader still holds the window's object: it fails, and the reader goes on.
  const std::optional<std::string> gone = pressed->ReadLine(30s);
  ASSERT_TRUE(gone.has_value());
  std::cout << "The object held past the window: " << *gone << "\n";
  EXPECT_EQ(gone->substr(0, 7), "gone 0x");
  EXPECT_NE(*gone, "gone 0x00000000");
  EXPECT_TRUE(pressed->WaitExit(30s).has_value());
  EXPECT_TRUE(pressed->ExitedNormallyWith(0));
  EXPECT_EQ(platform::FindShownWindowByClass(UpdaterClass), platform::NoWindow);
  EXPECT_EQ(ReadBytes(m_folder.Path() / "Kolvarin.exe"), m_oldPlayer);
  EXPECT_FALSE(fs::exists(partial));
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.bak"));
}

TEST_F(WindowsAccessibility, AListenerHearsTheBarAFewTimesASecondAndLastTheValueItShows) {
  // The chunks come 20 ms apart for about a second, each one percent more, some seconds after
  // the listener has begun.
  ScriptedServer server(Publishing("1.0.0.1", 6000, 20), 80, Address);
  auto updater = StartUpdater();
  ASSERT_TRUE(WaitFor([] { return platform::FindShownWindowByClass(UpdaterClass) != 0; }, 30s));
  const RunResult listened = Reader({"listen", "12"});
  ASSERT_TRUE(listened.ExitedWith(0)) << listened.out;
  const std::vector<Part> parts = Parts(listened.out);
  const Part* bar = Find(parts, "progressbar", "Güncelleme Durum Bilgileri");
  ASSERT_NE(bar, nullptr) << listened.out;
  EXPECT_EQ(bar->value, "40%");
  std::vector<std::pair<long, std::string>> heard; // when, and the value read then
  std::istringstream lines(listened.out);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() >= 6 && fields[0] == "event" && fields[2] == "value" && fields[3] == bar->id)
      heard.emplace_back(std::stol(fields[1]), fields[5]);
  }
  std::cout << listened.out;
  ASSERT_GE(heard.size(), 2u) << listened.out;
  // The last the listener heard is what the window shows once the download holds.
  EXPECT_EQ(heard.back().second, "40%");
  // At most one announcement each 250 ms (with a second's slack for the events' delivery),
  // where the bar changed ChunksSent times.
  const long span = heard.back().first - heard.front().first;
  EXPECT_LE(static_cast<long>(heard.size()), (span + 1000) / 250 + 1) << listened.out;
  EXPECT_LT(static_cast<int>(heard.size()), ChunksSent / 2) << listened.out;
  EXPECT_TRUE(CloseUntilEnded(*updater, UpdaterClass));
}

} // namespace
