// The kolvarin-update of this build as a Linux screen reader reads it: its window's parts on the
// AT-SPI bus of a private session bus, read, pressed and listened to by screen_reader.py with the
// system's AT-SPI client library, against the publisher's nginx (tests/support/Publisher.h).
#include "ChildProcess.h"
#include "Publisher.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const std::string OldPlayer = "#!/bin/sh\n# Kolvarin 1.0.0.0\n";

// One line of the checker's tree: ROLE "NAME" key=value ... (values quoted or bare).
struct Part {
  int depth = 0;
  std::string role;
  std::string name;
  std::map<std::string, std::string> fields;
  std::set<std::string> States() const {
    std::set<std::string> states;
    std::stringstream list(fields.count("states") ? fields.at("states") : "");
    for (std::string each; std::getline(list, each, ',');)
      states.insert(each);
    return states;
  }
};

// The quoted string at `at` (its opening quote), unescaped; `at` moves past its end.
std::string Unquote(const std::string& line, std::size_t& at) {
  std::string text;
  for (++at; at < line.size() && line[at] != '"'; ++at) {
    if (line[at] == '\\' && at + 1 < line.size())
      ++at;
    text += line[at];
  }
  ++at;
  return text;
}

std::optional<Part> ParsePart(const std::string& line) {
  Part part;
  std::size_t at = line.find_first_not_of(' ');
  const std::size_t quote = line.find('"');
  if (at == std::string::npos || quote == std::string::npos || quote < at + 2)
    return std::nullopt;
  part.depth = static_cast<int>(at / 2);
  part.role = line.substr(at, quote - 1 - at);
  at = quote;
  part.name = Unquote(line, at);
  while (at < line.size()) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string::npos)
      break;
    const std::size_t equals = line.find('=', at);
    if (equals == std::string::npos)
      return std::nullopt;
    const std::string key = line.substr(at, equals - at);
    at = equals + 1;
    std::string value;
    if (at < line.size() && line[at] == '"') {
      value = Unquote(line, at);
    } else {
      const std::size_t end = std::min(line.find(' ', at), line.size());
      value = line.substr(at, end - at);
      at = end;
    }
    // A part labelled or labelling several keeps them all.
    auto [entry, added] = part.fields.emplace(key, value);
    if (!added)
      entry->second += "|" + value;
  }
  return part;
}

// What the checker printed, and its parts between "tree:" and "end".
struct Reading {
  std::vector<std::string> lines;
  std::vector<Part> tree;
  bool ended = false;
  std::optional<int> status;

  std::string Line(const std::string& prefix) const {
    for (const std::string& line : lines) {
      if (line.rfind(prefix, 0) == 0)
        return line.substr(prefix.size());
    }
    return {};
  }
  const Part* Find(const std::string& role, const std::string& name) const {
    for (const Part& part : tree) {
      if (part.role == role && part.name == name)
        return &part;
    }
    return nullptr;
  }
  std::string Transcript() const {
    std::string text;
    for (const std::string& line : lines)
      text += line + "\n";
    return text;
  }
};

class ScreenReader : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(std::getenv("KOLVARIN_TEST_HOSTS") && std::getenv("DISPLAY"))
        << "runs in the private network and on the display of scripts/test";
    ASSERT_EQ(access(KOLVARIN_UPDATE_BINARY, X_OK), 0) << "the build makes the program first";
    std::ofstream(Player()) << OldPlayer;
    fs::permissions(Player(), fs::perms(0755));
  }
  fs::path Player() const { return m_folder.Path() / "Kolvarin.exe"; }

  // Runs the checker with `arguments` on a session bus of its own, in the player's folder.
  Reading Read(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = {"--", "/usr/bin/python3", KOLVARIN_SCREEN_READER,
                                     KOLVARIN_UPDATE_BINARY};
    args.insert(args.end(), arguments.begin(), arguments.end());
    ChildProcess checker("/usr/bin/dbus-run-session",
                         {.args = args, .workingDir = m_folder.Path()});
    Reading reading;
    bool inTree = false;
    while (const auto line = checker.ReadLine(60s)) {
      reading.lines.push_back(*line);
      if (*line == "tree:") {
        inTree = true;
      } else if (*line == "end") {
        inTree = false;
        reading.ended = true;
      } else if (inTree) {
        const auto part = ParsePart(*line);
        EXPECT_TRUE(part.has_value()) << "a line of another shape: " << *line;
        if (part)
          reading.tree.push_back(*part);
      }
    }
    reading.status = checker.WaitExit(20s);
    // The lead's notes quote what a screen reader reads.
    std::cout << reading.Transcript();
    return reading;
  }

  TempDir m_folder;
};

// The window's three states as a screen reader reads them: one row per part that tells the
// state, with the text (or the bar's value) it shows and the states it has and has not.
struct PartRow {
  const char* role;
  const char* name;
  const char* text;    // a regular expression for the text, or the bar's value; null: none
  const char* has;     // states it must have, space separated
  const char* hasNot;  // states it must not have
  const char* related; // "labelled-by=NAME" or "label-for=NAME", or null
};

struct WindowCase {
  const char* label;
  std::optional<std::string> version;
  std::optional<std::string> player;
  std::string rate;
  std::vector<std::string> arguments;
  std::vector<PartRow> rows;
};

std::vector<WindowCase> WindowCases() {
  const PartRow frame{"frame", "Kolvarin Radyo Güncelleme", nullptr, "showing visible", "",
                      nullptr};
  const PartRow cancel{"push button", "Vazgeç", nullptr, "enabled focusable showing", "", nullptr};
  const PartRow hiddenLabel{"label", "Label1", ".*", "", "showing visible", nullptr};
  const PartRow group{"panel", "Güncelleme Durum Bilgileri",          nullptr, "showing",
                      "",      "label-for=Güncelleme Durum Bilgileri"};
  return {
      {"current",
       "1.0.0.0",
       "unused",
       "0",
       {"--until", "Kullandığınız Sürüm Güncel"},
       {frame,
        cancel,
        hiddenLabel,
        group,
        {"label", "Kullandığınız Sürüm Güncel..", "Kullandığınız Sürüm Güncel\\.\\.", "showing", "",
         nullptr},
        {"link", "Dosya İndirme Sayfası",
         "http://www\\.kolvarin\\.example/programlar/radyo/kolvarin\\.txt",
         "enabled focusable showing", "", "labelled-by=Dosya İndirme Sayfası"},
        {"label", "Mevcut Sürüm", "Kolvarin Radyo Versiyon : 1\\.0\\.0\\.0", "showing", "",
         "labelled-by=Mevcut Sürüm :"},
        {"label", "Yeni Sürüm", "Kolvarin Radyo Versiyon : 1\\.0\\.0\\.0", "showing", "",
         "labelled-by=Yeni Sürüm : "},
        {"label", "Mevcut Sürüm :", "Mevcut Sürüm :", "showing", "", "label-for=Mevcut Sürüm"},
        {"label", "Dosya Boyutu", "", "showing", "", "labelled-by=Dosya Boyutu :"},
        {"progress bar", "Güncelleme Durum Bilgileri", "0", "showing", "",
         "labelled-by=Güncelleme Durum Bilgileri"},
        {"push button", "Güncelle", nullptr, "showing", "enabled focusable", nullptr},
        {"push button", "Manuel Güncelle", nullptr, "showing", "enabled focusable", nullptr}}},
      {"downloading",
       "1.0.0.1",
       std::string(4 << 20, '#'),
       "100k",
       // The labels' texts and the bar's value are set together: read once the value has moved.
       {"--until", "progress bar \"[^\"]*\" value=[1-9]"},
       // The hidden label is named by the remaining time it keeps.
       {frame,
        cancel,
        group,
        {"label", "Güncel sürüm yükleniyor lütfen bekleyin...",
         "Güncel sürüm yükleniyor lütfen bekleyin\\.\\.\\.", "showing", "", nullptr},
        {"label", "Dosya Boyutu", "4194304 Kb", "showing", "", "labelled-by=Dosya Boyutu :"},
        {"label", "İndirilen Boyut", "[0-9]+ Kb", "showing", "", "labelled-by=İndirilen Boyut :"},
        {"label", "Kalan Zaman", "00:[0-9]+:[0-5][0-9] Sn ", "showing", "",
         "labelled-by=Kalan Zaman :"},
        {"label", "Yeni Sürüm", "Kolvarin Radyo Versiyon : 1\\.0\\.0\\.1", "showing", "", nullptr},
        {"progress bar", "Güncelleme Durum Bilgileri", "[1-9][0-9]?", "showing", "", nullptr},
        {"push button", "Güncelle", nullptr, "showing", "enabled", nullptr}}},
      {"failed",
       std::nullopt,
       std::nullopt,
       "0",
       {"--close-alert"},
       {frame,
        cancel,
        hiddenLabel,
        {"label", "Program sürümü kontrol ediliyor...", "Program sürümü kontrol ediliyor\\.\\.\\.",
         "showing", "", nullptr},
        // A link that leads nowhere yet takes no focus.
        {"link", "Dosya İndirme Sayfası", "", "showing", "focusable", nullptr},
        {"label", "Yeni Sürüm", "", "showing", "", nullptr},
        {"progress bar", "Güncelleme Durum Bilgileri", "0", "showing", "", nullptr},
        {"push button", "Güncelle", nullptr, "showing", "enabled focusable", nullptr}}},
  };
}

std::set<std::string> Words(const char* text) {
  std::set<std::string> words;
  std::stringstream list(text);
  for (std::string each; list >> each;)
    words.insert(each);
  return words;
}

TEST_F(ScreenReader, ReadsEachPartOfTheWindowInItsThreeStates) {
  for (const WindowCase& each : WindowCases()) {
    SCOPED_TRACE(each.label);
    std::optional<Publisher> publisher;
    // The failed check has no server at all.
    if (each.version)
      publisher.emplace(each.version, each.player, each.rate);
    const Reading reading = Read(each.arguments);
    ASSERT_TRUE(reading.ended) << reading.Transcript();
    ASSERT_FALSE(reading.tree.empty());
    // The window itself, its children one level below it.
    EXPECT_EQ(reading.tree.front().role, "frame");
    EXPECT_EQ(reading.tree.front().depth, 0);
    for (const PartRow& row : each.rows) {
      SCOPED_TRACE(std::string(row.role) + " \"" + row.name + "\"");
      const Part* part = reading.Find(row.role, row.name);
      ASSERT_NE(part, nullptr) << reading.Transcript();
      if (row.text) {
        const char* key = std::string(row.role) == "progress bar" ? "value" : "text";
        ASSERT_TRUE(part->fields.count(key)) << key;
        EXPECT_THAT(part->fields.at(key), testing::MatchesRegex(row.text)) << key;
      }
      const std::set<std::string> states = part->States();
      for (const std::string& state : Words(row.has))
        EXPECT_TRUE(states.count(state)) << "without " << state;
      for (const std::string& state : Words(row.hasNot))
        EXPECT_FALSE(states.count(state)) << "with " << state;
      if (row.related) {
        const std::string relation = row.related;
        const std::size_t equals = relation.find('=');
        const std::string kind = relation.substr(0, equals);
        ASSERT_TRUE(part->fields.count(kind)) << kind;
        EXPECT_EQ(part->fields.at(kind), relation.substr(equals + 1));
      }
    }
    if (std::string(each.label) == "failed") {
      EXPECT_EQ(reading.Line("alert text: "),
                "\"Site Bağlantısı Sağlanamadı Programı Manuel Güncelleyin.\"");
    }
  }
}

// Where the parts are on the screen: the layout's places, relative to the window's corner.
TEST_F(ScreenReader, PlacesEachPartWhereTheWindowDrawsIt) {
  Publisher publisher("1.0.0.0", "unused");
  const Reading reading = Read({"--until", "Kullandığınız Sürüm Güncel"});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  const struct {
    const char* role;
    const char* name;
    const char* at;
  } places[] = {
      {"frame", "Kolvarin Radyo Güncelleme", "0,0,409x305"},
      {"push button", "Güncelle", "7,268,75x25"},
      {"push button", "Vazgeç", "319,268,75x25"},
      {"progress bar", "Güncelleme Durum Bilgileri", "0,162,409x24"},
      {"panel", "Güncelleme Bilgileri", "0,186,409x57"},
  };
  for (const auto& place : places) {
    const Part* part = reading.Find(place.role, place.name);
    ASSERT_NE(part, nullptr) << place.name;
    EXPECT_EQ(part->fields.at("at"), place.at) << place.name;
  }
}

TEST_F(ScreenReader, HearsWhichButtonHasTheFocusOnceTheWindowGetsIt) {
  Publisher publisher("1.0.0.0", "unused");
  const Reading reading = Read({"--until", "Kullandığınız Sürüm Güncel", "--focus-window"});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  const std::string heard = reading.Line("focus-events: ");
  // The check is over and "Vazgeç" is the one button left to take the focus: the reader's last
  // word is that button, after the window's own.
  const std::size_t last = heard.rfind("; ");
  ASSERT_NE(last, std::string::npos) << reading.Transcript();
  EXPECT_EQ(heard.substr(0, heard.find("; ")), "frame \"Kolvarin Radyo Güncelleme\"");
  EXPECT_EQ(heard.substr(last + 2), "push button \"Vazgeç\"");
}

TEST_F(ScreenReader, HearsTheSizeDownloadedAsNewTextAFewTimesASecond) {
  Publisher publisher("1.0.0.1", std::string(8 << 20, '#'), "800k");
  constexpr int seconds = 3;
  const Reading reading = Read(
      {"--until", "progress bar \"[^\"]*\" value=[1-9]", "--text-events", std::to_string(seconds)});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  const std::string heard = reading.Line("text-events: ");
  // Entries "NAME"="TEXT", joined by "; ".
  const std::string downloaded = "\"İndirilen Boyut\"=\"";
  std::vector<long> sizes;
  for (std::size_t at = heard.find(downloaded); at != std::string::npos;
       at = heard.find(downloaded, at + 1))
    sizes.push_back(std::stol(heard.substr(at + downloaded.size())));
  EXPECT_GE(sizes.size(), static_cast<std::size_t>(seconds)) << heard;
  EXPECT_LE(sizes.size(), static_cast<std::size_t>(seconds * 5)) << heard;
  for (std::size_t each = 1; each < sizes.size(); ++each)
    EXPECT_GT(sizes[each], sizes[each - 1]) << heard;
  EXPECT_NE(heard.find("\"Kalan Zaman\"=\"00:"), std::string::npos) << heard;
}

TEST_F(ScreenReader, HearsTheStatusNamedAnewWhenTheDownloadIsInstalled) {
  const std::string newPlayer =
      "#!/bin/sh\n# Kolvarin 1.0.0.1\n#" + std::string(1 << 20, 'n') + "\n";
  Publisher publisher("1.0.0.1", newPlayer, "400k");
  const Reading reading =
      Read({"--until", "progress bar \"[^\"]*\" value=[1-9]", "--name-events", "5"});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  const std::string heard = reading.Line("name-events: ");
  // The role is asked of the updater, which ends right after this status: "(gone)" under load.
  EXPECT_THAT(
      heard, testing::MatchesRegex(".*(label|\\(gone\\)) \"Yükleme İşlemi Tamamlandı\\.\\.\\.\".*"))
      << reading.Transcript();
  // The sizes beside their captions are values, not names.
  EXPECT_EQ(heard.find("Kb"), std::string::npos) << heard;
}

TEST_F(ScreenReader, PressingCancelDuringADownloadEndsTheUpdaterAsAClickDoes) {
  Publisher publisher("1.0.0.1", std::string(4 << 20, '#'), "100k");
  const Reading reading = Read({"--until", "Kalan Zaman\" text=\"00:", "--press", "Vazgeç"});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  EXPECT_EQ(reading.Line("pressed: "), "\"Vazgeç\"");
  EXPECT_EQ(reading.Line("exit: "), "0") << reading.Transcript();
  ASSERT_TRUE(reading.status.has_value());
  EXPECT_TRUE(WIFEXITED(*reading.status) && WEXITSTATUS(*reading.status) == 0);
  // As after a click: the download is abandoned and the old player stays.
  EXPECT_FALSE(fs::exists(m_folder.Path() / "Kolvarin.exe.part"));
  std::ifstream player(Player());
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(player), {}), OldPlayer);
}

TEST_F(ScreenReader, HearsTheBarsValueAFewTimesASecondNotOnceAChunk) {
  // 10 % a second in reads of a few kilobytes: dozens of chunks and ten new values a second.
  Publisher publisher("1.0.0.1", std::string(8 << 20, '#'), "800k");
  constexpr double seconds = 4;
  const Reading reading = Read({"--until", "progress bar \"[^\"]*\" value=[1-9]", "--value-events",
                                std::to_string(seconds)});
  ASSERT_TRUE(reading.ended) << reading.Transcript();
  const std::string heard = reading.Line("value-events: ");
  ASSERT_FALSE(heard.empty()) << reading.Transcript();
  std::stringstream fields(heard);
  int count = 0;
  std::string in, secondsText, colon;
  fields >> count >> in >> secondsText >> colon;
  std::vector<double> values;
  for (double value; fields >> value;)
    values.push_back(value);
  ASSERT_EQ(static_cast<int>(values.size()), count);
  // Paced to one a quarter of a second, with room for the bus's delivery: at most five a
  // second (ten or more without pacing), and at least one a second while the value moves.
  EXPECT_GE(count, static_cast<int>(seconds)) << heard;
  EXPECT_LE(count, static_cast<int>(seconds * 5)) << heard;
  // Each one tells a newer value: none is a repeat.
  for (std::size_t each = 1; each < values.size(); ++each)
    EXPECT_GT(values[each], values[each - 1]) << heard;
}

} // namespace
