#include "app/PlayerUpdate.h"

#include "SystemFiles.h"
#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

using app::PlayerUpdate;
using app::SwapMethod;
using app::UpdateDecision;
using platform::FileResult;
namespace fs = std::filesystem;

const std::string OldPlayer = "old player";
const std::string NewPlayer = "new player";
const std::string OlderBackup = "older backup";
const std::string Player(app::PlayerExeName);
const std::string Partial = app::PartialPlayerName;
const std::string Backup = app::BackupName;
const std::string Failed = app::FailedPlayerName;

// What each name of the folder holds, by content.
using FolderState = std::map<std::string, std::string>;
// The content that makes a name a folder: it cannot be removed, linked or flushed as a file.
const std::string AFolder = "<folder>";

// A folder in memory behind the update's file operations. Names point at files, and a hard link
// is a second name of the same file. Every operation that changes something is recorded with
// the folder as it left it; the file system's abilities and a failing operation are set by the
// test.
class MemoryFolder : public platform::FileOperations {
public:
  bool hasLinks = true;
  bool hasExchange = true;
  // The changing operation, counted from 0, that fails without an effect.
  std::optional<int> failing;
  std::vector<std::string> trace;
  std::vector<FolderState> states;
  // Set when a rename made the player's name point at bytes not yet flushed to the disk.
  bool unsyncedPlayer = false;

  explicit MemoryFolder(const FolderState& contents = {}) {
    // The download leaves its file unflushed.
    for (const auto& [name, bytes] : contents)
      m_names[name] = std::make_shared<File>(File{bytes, 0750, name != Partial});
  }

  FolderState State() const {
    FolderState state;
    for (const auto& [name, file] : m_names)
      state[name] = file->bytes;
    return state;
  }
  int ModeOf(const std::string& name) const { return m_names.at(name)->mode; }

  bool Exists(const std::string& path) override { return m_names.count(path) > 0; }
  bool IsFile(const std::string& path) override {
    return Exists(path) && m_names[path]->bytes != AFolder;
  }
  bool Remove(const std::string& path) override {
    return Change("Remove " + path, [&] { return IsFile(path) && m_names.erase(path) > 0; });
  }
  bool SyncFile(const std::string& path) override {
    return Change("SyncFile " + path, [&] {
      if (!Exists(path))
        return false;
      m_names[path]->synced = true;
      return true;
    });
  }
  platform::FileResult SyncFolder(const std::string& path) override {
    return Change("SyncFolder " + path, [] { return true; }) ? FileResult::Done
                                                             : FileResult::Failed;
  }
  int Mode(const std::string& path) override { return Exists(path) ? m_names[path]->mode : -1; }
  bool SetMode(const std::string& path, int mode) override {
    return Change("SetMode " + path, [&] {
      if (!Exists(path))
        return false;
      m_names[path]->mode = mode;
      return true;
    });
  }
  FileResult Link(const std::string& from, const std::string& to) override {
    if (!hasLinks)
      return FileResult::Unsupported;
    const bool done = Change("Link " + from + " " + to, [&] {
      if (!IsFile(from) || Exists(to))
        return false;
      m_names[to] = m_names[from];
      return true;
    });
    return done ? FileResult::Done : FileResult::Failed;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return Change("Replace " + from + " " + to, [&] {
      if (!Exists(from) || (Exists(to) && !IsFile(to)))
        return false;
      m_names[to] = m_names[from];
      m_names.erase(from);
      return true;
    });
  }
  FileResult Exchange(const std::string& first, const std::string& second) override {
    if (!hasExchange)
      return FileResult::Unsupported;
    const bool done = Change("Exchange " + first + " " + second, [&] {
      if (!Exists(first) || !Exists(second))
        return false;
      std::swap(m_names[first], m_names[second]);
      return true;
    });
    return done ? FileResult::Done : FileResult::Failed;
  }
  bool Move(const std::string& from, const std::string& to) override {
    return Change("Move " + from + " " + to, [&] {
      if (!Exists(from) || Exists(to))
        return false;
      m_names[to] = m_names[from];
      m_names.erase(from);
      return true;
    });
  }

private:
  struct File {
    std::string bytes;
    int mode = 0644;
    bool synced = false;
  };

  template <typename Operation> bool Change(const std::string& what, Operation operation) {
    const int number = static_cast<int>(trace.size());
    trace.push_back(what);
    const bool done = failing != number && operation();
    if (Exists(Player) && !m_names[Player]->synced)
      unsyncedPlayer = true;
    states.push_back(State());
    return done;
  }

  std::map<std::string, std::shared_ptr<File>> m_names;
};

struct Abilities {
  const char* name;
  bool links;
  bool exchange;
  SwapMethod method;
  // Whether the player's name holds a whole player at every moment.
  bool neverWithoutPlayer;
};
const Abilities AllFileSystems[] = {
    {"hard links", true, true, SwapMethod::LinkAndReplace, true},
    {"exchanging rename only", false, true, SwapMethod::Exchange, true},
    {"neither", false, false, SwapMethod::TwoRenames, false},
};

// Runs one install in a folder with the given abilities.
struct InstallRun {
  MemoryFolder folder;
  bool installed = false;
  SwapMethod method = SwapMethod::None;

  explicit InstallRun(const Abilities& abilities, std::optional<int> failing = std::nullopt,
                      FolderState contents = {{Player, OldPlayer}, {Backup, OlderBackup}}) {
    contents[Partial] = NewPlayer;
    folder = MemoryFolder(contents);
    folder.hasLinks = abilities.links;
    folder.hasExchange = abilities.exchange;
    folder.failing = failing;
    PlayerUpdate update(folder);
    installed = update.Install();
    method = update.LastSwap();
  }
};

// Whether the name holds one of the whole players.
bool WholePlayer(const FolderState& state) {
  const auto player = state.find(Player);
  return player != state.end() && (player->second == OldPlayer || player->second == NewPlayer);
}

TEST(PlayerUpdateDecision, OnlyTheSameBytesAreCurrent) {
  const std::tuple<const char*, UpdateDecision> cases[] = {
      {"1.0.0.0", UpdateDecision::Current},   {"1.0.0.1", UpdateDecision::Download},
      {"0.9.0.0", UpdateDecision::Download},  {"1.0.0.0\r\n", UpdateDecision::Download},
      {" 1.0.0.0", UpdateDecision::Download}, {"", UpdateDecision::Download},
      {"1.0.0.00", UpdateDecision::Download},
  };
  for (const auto& [published, decision] : cases)
    EXPECT_EQ(PlayerUpdate::Decide("1.0.0.0", published), decision) << published;
}

TEST(PlayerUpdateInstall, EachFileSystemGetsItsStrongestSwapAndKeepsTheOldPlayerAsBackup) {
  for (const Abilities& abilities : AllFileSystems) {
    InstallRun run(abilities);
    ASSERT_TRUE(run.installed) << abilities.name;
    EXPECT_EQ(run.method, abilities.method) << abilities.name;
    EXPECT_EQ(run.folder.State(), (FolderState{{Player, NewPlayer}, {Backup, OldPlayer}}))
        << abilities.name;
    EXPECT_EQ(run.folder.ModeOf(Player), 0750) << abilities.name;
    EXPECT_FALSE(run.folder.unsyncedPlayer) << abilities.name;
  }
}

TEST(PlayerUpdateInstall, NoStepLeavesTheFolderWithoutAWholePlayer) {
  for (const Abilities& abilities : AllFileSystems) {
    InstallRun run(abilities);
    ASSERT_TRUE(run.installed) << abilities.name;
    bool alwaysWhole = true;
    for (std::size_t i = 0; i < run.folder.states.size(); ++i) {
      const bool whole = WholePlayer(run.folder.states[i]);
      if (abilities.neverWithoutPlayer) {
        EXPECT_TRUE(whole) << abilities.name << ": after " << run.folder.trace[i];
      }
      alwaysWhole = alwaysWhole && whole;
    }
    // Only a file system with neither ability has the moment without a player.
    EXPECT_EQ(alwaysWhole, abilities.neverWithoutPlayer) << abilities.name;
  }
}

TEST(PlayerUpdateInstall, NoOperationRemovesOrRenamesAwayThePlayerWithoutReplacingIt) {
  for (const Abilities& abilities : AllFileSystems) {
    if (!abilities.neverWithoutPlayer)
      continue;
    InstallRun run(abilities);
    for (const std::string& step : run.folder.trace) {
      EXPECT_NE(step, "Remove " + Player) << abilities.name;
      EXPECT_NE(step.rfind("Move " + Player + " ", 0), 0u) << abilities.name << ": " << step;
      EXPECT_NE(step.rfind("Replace " + Player + " ", 0), 0u) << abilities.name << ": " << step;
    }
  }
}

TEST(PlayerUpdateInstall, AFailureAtAnyStepLeavesAWholePlayerAndNoPartialFile) {
  for (const Abilities& abilities : AllFileSystems) {
    const std::size_t steps = InstallRun(abilities).folder.trace.size();
    for (std::size_t failing = 0; failing < steps; ++failing) {
      InstallRun run(abilities, static_cast<int>(failing));
      const FolderState state = run.folder.State();
      const std::string where =
          std::string(abilities.name) + ", failing " + run.folder.trace.at(failing);
      EXPECT_EQ(state.count(Partial), 0u) << where;
      // An install is reported only when the new player is in place with the old one kept.
      if (run.installed) {
        EXPECT_EQ(state.at(Player), NewPlayer) << where;
        EXPECT_EQ(state.at(Backup), OldPlayer) << where;
      } else {
        ASSERT_TRUE(state.count(Player)) << where;
        EXPECT_EQ(state.at(Player), OldPlayer) << where;
      }
      if (abilities.neverWithoutPlayer) {
        for (const FolderState& moment : run.folder.states)
          EXPECT_TRUE(WholePlayer(moment)) << where;
      }
    }
  }
}

TEST(PlayerUpdateInstall, InterruptedAtAnyStepTheNextRunStartsWithAWholePlayer) {
  for (const Abilities& abilities : AllFileSystems) {
    const InstallRun run(abilities);
    for (std::size_t i = 0; i < run.folder.states.size(); ++i) {
      // The process ends after step i; the next run begins in the folder it left.
      MemoryFolder next(run.folder.states[i]);
      PlayerUpdate update(next);
      update.RestoreInterruptedSwap();
      update.BeginDownload();
      const std::string where = std::string(abilities.name) + ", after " + run.folder.trace[i];
      EXPECT_TRUE(WholePlayer(next.State())) << where;
      // Its own install then keeps a whole player as the backup.
      FolderState withDownload = next.State();
      withDownload[Partial] = "newest player";
      MemoryFolder again(withDownload);
      again.hasLinks = abilities.links;
      again.hasExchange = abilities.exchange;
      ASSERT_TRUE(PlayerUpdate(again).Install()) << where;
      const FolderState after = again.State();
      EXPECT_EQ(after.at(Player), "newest player") << where;
      EXPECT_TRUE(after.at(Backup) == OldPlayer || after.at(Backup) == NewPlayer) << where;
    }
  }
}

TEST(PlayerUpdateRestore, PutsTheBackupBackOnlyWhenThePlayerIsMissing) {
  struct Case {
    const char* name;
    FolderState before;
    bool restored;
    FolderState after;
  };
  const Case cases[] = {
      {"backup alone", {{Backup, OldPlayer}}, true, {{Player, OldPlayer}}},
      {"backup and partial",
       {{Backup, OldPlayer}, {Partial, "x"}},
       true,
       {{Player, OldPlayer}, {Partial, "x"}}},
      {"player and backup",
       {{Player, NewPlayer}, {Backup, OldPlayer}},
       false,
       {{Player, NewPlayer}, {Backup, OldPlayer}}},
      {"player alone", {{Player, OldPlayer}}, false, {{Player, OldPlayer}}},
      {"nothing", {}, false, {}},
      // Only a file is taken for the old player.
      {"a folder under the backup's name", {{Backup, AFolder}}, false, {{Backup, AFolder}}},
  };
  for (const Case& c : cases) {
    MemoryFolder folder(c.before);
    EXPECT_EQ(PlayerUpdate(folder).RestoreInterruptedSwap(), c.restored) << c.name;
    EXPECT_EQ(folder.State(), c.after) << c.name;
  }
}

TEST(PlayerUpdateBackupName, IsFreedOfAFileButNeverOfAFolderOrTheOnlyPlayer) {
  struct Case {
    const char* name;
    FolderState before;
    std::optional<int> failing;
    bool free;
    FolderState after;
  };
  const Case cases[] = {
      {"an older backup goes",
       {{Player, OldPlayer}, {Backup, OlderBackup}},
       std::nullopt,
       true,
       {{Player, OldPlayer}}},
      {"nothing there", {{Player, OldPlayer}}, std::nullopt, true, {{Player, OldPlayer}}},
      {"a folder stays and is told",
       {{Player, OldPlayer}, {Backup, AFolder}},
       std::nullopt,
       false,
       {{Player, OldPlayer}, {Backup, AFolder}}},
      {"a file that cannot be removed is told",
       {{Player, OldPlayer}, {Backup, OlderBackup}},
       0,
       false,
       {{Player, OldPlayer}, {Backup, OlderBackup}}},
      // Without a player the install needs no backup, and the backup may be the only player.
      {"no player: the backup is kept",
       {{Backup, OldPlayer}},
       std::nullopt,
       true,
       {{Backup, OldPlayer}}},
  };
  for (const Case& c : cases) {
    MemoryFolder folder(c.before);
    folder.failing = c.failing;
    EXPECT_EQ(PlayerUpdate(folder).PrepareBackupName(), c.free) << c.name;
    EXPECT_EQ(folder.State(), c.after) << c.name;
  }
}

TEST(PlayerUpdateInstall, WithoutAPlayerTheNewOneTakesTheNameAndNoBackupIsMade) {
  for (const Abilities& abilities : AllFileSystems) {
    InstallRun run(abilities, std::nullopt, {});
    ASSERT_TRUE(run.installed) << abilities.name;
    EXPECT_EQ(run.method, SwapMethod::Rename) << abilities.name;
    EXPECT_EQ(run.folder.State(), (FolderState{{Player, NewPlayer}})) << abilities.name;
    EXPECT_EQ(run.folder.ModeOf(Player), 0755) << abilities.name;
  }
}

TEST(PlayerUpdateDownload, BeginRemovesALeftoverAndDropRemovesThePartialFile) {
  MemoryFolder folder({{Player, OldPlayer}, {Partial, "leftover"}});
  PlayerUpdate update(folder);
  EXPECT_FALSE(update.DownloadPending());
  EXPECT_EQ(update.BeginDownload(), Partial);
  EXPECT_TRUE(update.DownloadPending());
  EXPECT_EQ(folder.State(), (FolderState{{Player, OldPlayer}}));
  folder = MemoryFolder({{Player, OldPlayer}, {Partial, "part of it"}});
  update.DropPartialDownload();
  EXPECT_FALSE(update.DownloadPending());
  EXPECT_EQ(folder.State(), (FolderState{{Player, OldPlayer}}));
}

TEST(PlayerUpdateStart, ANewPlayerFailsOnlyByNotRunningOrEndingBadlyWithinTheLimit) {
  using platform::ProgramState;
  using std::chrono::milliseconds;
  struct Case {
    ProgramState state;
    bool window;
    int elapsedMs;
    app::StartVerdict verdict;
  };
  using V = app::StartVerdict;
  const Case cases[] = {
      {ProgramState::NotStarted, false, 0, V::Failed},
      {ProgramState::NotStarted, true, 0, V::Failed},
      {ProgramState::NotStarted, false, 20000, V::Failed},
      {ProgramState::Running, false, 0, V::Waiting},
      {ProgramState::Running, false, 9999, V::Waiting},
      {ProgramState::Running, false, 10000, V::Started},
      {ProgramState::Running, true, 10, V::Started},
      {ProgramState::Failed, false, 10, V::Failed},
      {ProgramState::Failed, false, 9999, V::Failed},
      {ProgramState::Failed, false, 10000, V::Started},
      {ProgramState::Failed, true, 10, V::Started},
      {ProgramState::Succeeded, false, 10, V::Started},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlayerUpdate::JudgeStart(c.state, c.window, milliseconds(c.elapsedMs)), c.verdict)
        << static_cast<int>(c.state) << " " << c.window << " " << c.elapsedMs;
  EXPECT_EQ(app::StartLimit, milliseconds(10000));
}

// An install of the new player over the old one, then the return to the old one, recorded from
// the return's first step.
struct RollBackRun {
  MemoryFolder folder;
  bool restored = false;
  std::vector<std::string> trace;
  std::vector<FolderState> states;

  explicit RollBackRun(const Abilities& abilities, std::optional<int> failing = std::nullopt,
                       FolderState contents = {{Player, OldPlayer}}) {
    contents[Partial] = NewPlayer;
    folder = MemoryFolder(contents);
    folder.hasLinks = abilities.links;
    folder.hasExchange = abilities.exchange;
    PlayerUpdate update(folder);
    EXPECT_TRUE(update.Install()) << abilities.name;
    const std::size_t installSteps = folder.trace.size();
    if (failing)
      folder.failing = static_cast<int>(installSteps) + *failing;
    restored = update.RollBack();
    trace.assign(folder.trace.begin() + static_cast<long>(installSteps), folder.trace.end());
    states.assign(folder.states.begin() + static_cast<long>(installSteps), folder.states.end());
  }
};

TEST(PlayerUpdateRollBack, TheOldPlayerReturnsAndTheNewOneIsKeptAsFailed) {
  for (const Abilities& abilities : AllFileSystems) {
    for (const FolderState& before :
         {FolderState{{Player, OldPlayer}}, FolderState{{Player, OldPlayer}, {Failed, "older"}}}) {
      RollBackRun run(abilities, std::nullopt, before);
      ASSERT_TRUE(run.restored) << abilities.name;
      EXPECT_EQ(run.folder.State(), (FolderState{{Player, OldPlayer}, {Failed, NewPlayer}}))
          << abilities.name;
      EXPECT_EQ(run.folder.ModeOf(Player), 0750) << abilities.name;
      ASSERT_FALSE(run.trace.empty());
      EXPECT_EQ(run.trace.back(), "SyncFolder .") << abilities.name;
      for (std::size_t i = 0; i < run.states.size(); ++i) {
        if (abilities.neverWithoutPlayer) {
          EXPECT_TRUE(WholePlayer(run.states[i])) << abilities.name << ": after " << run.trace[i];
        }
      }
    }
  }
}

TEST(PlayerUpdateRollBack, AFailureAtAnyStepLeavesAWholePlayer) {
  for (const Abilities& abilities : AllFileSystems) {
    const std::size_t steps = RollBackRun(abilities).trace.size();
    for (std::size_t failing = 0; failing < steps; ++failing) {
      RollBackRun run(abilities, static_cast<int>(failing));
      const FolderState state = run.folder.State();
      const std::string where = std::string(abilities.name) + ", failing " + run.trace.at(failing);
      ASSERT_TRUE(state.count(Player)) << where;
      if (run.restored) {
        EXPECT_EQ(state.at(Player), OldPlayer) << where;
      } else {
        // Not put back: the new player stays with the old one still its backup.
        EXPECT_EQ(state.at(Player), NewPlayer) << where;
        EXPECT_EQ(state.at(Backup), OldPlayer) << where;
      }
      if (abilities.neverWithoutPlayer) {
        for (const FolderState& moment : run.states)
          EXPECT_TRUE(WholePlayer(moment)) << where;
      }
    }
  }
}

TEST(PlayerUpdateRollBack, InterruptedAtAnyStepTheNextRunStartsWithAWholePlayer) {
  for (const Abilities& abilities : AllFileSystems) {
    const RollBackRun run(abilities);
    for (std::size_t i = 0; i < run.states.size(); ++i) {
      MemoryFolder next(run.states[i]);
      PlayerUpdate(next).RestoreInterruptedSwap();
      EXPECT_TRUE(WholePlayer(next.State())) << abilities.name << ", after " << run.trace[i];
    }
  }
}

TEST(PlayerUpdateRollBack, NothingIsDoneWithoutAnOldPlayerToReturnTo) {
  // Before any install, and after one into a folder that had no player.
  MemoryFolder untouched({{Player, NewPlayer}, {Backup, OldPlayer}});
  PlayerUpdate fresh(untouched);
  EXPECT_FALSE(fresh.CanRollBack());
  EXPECT_FALSE(fresh.RollBack());
  EXPECT_TRUE(untouched.trace.empty());

  MemoryFolder empty(FolderState{{Partial, NewPlayer}});
  PlayerUpdate update(empty);
  ASSERT_TRUE(update.Install());
  EXPECT_FALSE(update.CanRollBack());
  EXPECT_FALSE(update.RollBack());
  EXPECT_EQ(empty.State(), (FolderState{{Player, NewPlayer}}));

  // Only once: the backup has become the player again.
  for (const Abilities& abilities : AllFileSystems) {
    MemoryFolder folder({{Player, OldPlayer}, {Partial, NewPlayer}});
    folder.hasLinks = abilities.links;
    folder.hasExchange = abilities.exchange;
    PlayerUpdate twice(folder);
    ASSERT_TRUE(twice.Install());
    ASSERT_TRUE(twice.CanRollBack());
    ASSERT_TRUE(twice.RollBack());
    EXPECT_FALSE(twice.RollBack()) << abilities.name;
    EXPECT_EQ(folder.State(), (FolderState{{Player, OldPlayer}, {Failed, NewPlayer}}));
  }
}

// The system's file operations on a real folder, with the player's bytes read after each one.
class WatchedFolder : public platform::FileOperations {
public:
  explicit WatchedFolder(fs::path folder) : m_player(std::move(folder) / Player) {}
  std::vector<std::string> playerAfterEach;

  bool Exists(const std::string& path) override { return m_system.Exists(path); }
  bool Remove(const std::string& path) override { return Watch(m_system.Remove(path)); }
  bool SyncFile(const std::string& path) override { return Watch(m_system.SyncFile(path)); }
  bool IsFile(const std::string& path) override { return m_system.IsFile(path); }
  FileResult SyncFolder(const std::string& path) override {
    return Watch(m_system.SyncFolder(path));
  }
  int Mode(const std::string& path) override { return m_system.Mode(path); }
  bool SetMode(const std::string& path, int mode) override {
    return Watch(m_system.SetMode(path, mode));
  }
  FileResult Link(const std::string& from, const std::string& to) override {
    return Watch(m_system.Link(from, to));
  }
  bool Replace(const std::string& from, const std::string& to) override {
    return Watch(m_system.Replace(from, to));
  }
  FileResult Exchange(const std::string& first, const std::string& second) override {
    return Watch(m_system.Exchange(first, second));
  }
  bool Move(const std::string& from, const std::string& to) override {
    return Watch(m_system.Move(from, to));
  }

private:
  template <typename Result> Result Watch(Result result) {
    std::ifstream file(m_player, std::ios::binary);
    playerAfterEach.push_back(file ? std::string(std::istreambuf_iterator<char>(file), {})
                                   : "<none>");
    return result;
  }
  platform::FileOperations& m_system = platform::SystemFileOperations();
  fs::path m_player;
};

std::string Contents(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<none>";
}

TEST(PlayerUpdateOnDisk, ThePlayerIsWholeAfterEveryOperationAndTheOldOneIsKept) {
  testsupport::TempDir dir;
  const fs::path folder = dir.Path();
  std::ofstream(folder / Player) << OldPlayer;
  fs::permissions(folder / Player, fs::perms(0750));
  std::ofstream(folder / Backup) << OlderBackup;
  std::ofstream(folder / Partial) << NewPlayer;
  WatchedFolder watched(folder);
  PlayerUpdate update(watched, folder.string());

  ASSERT_TRUE(update.Install());

  // The test folders' file systems have hard links.
  EXPECT_EQ(update.LastSwap(), SwapMethod::LinkAndReplace);
  ASSERT_FALSE(watched.playerAfterEach.empty());
  for (const std::string& player : watched.playerAfterEach)
    EXPECT_TRUE(player == OldPlayer || player == NewPlayer) << player;
  EXPECT_EQ(Contents(folder / Player), NewPlayer);
  EXPECT_EQ(Contents(folder / Backup), OldPlayer);
  EXPECT_FALSE(fs::exists(folder / Partial));
  if (testsupport::SystemFiles().permissionBits) {
    EXPECT_EQ(fs::status(folder / Player).permissions() & fs::perms::all, fs::perms(0750));
  }
}

TEST(PlayerUpdateOnDisk, TheRollBackKeepsAWholePlayerAfterEveryOperation) {
  testsupport::TempDir dir;
  const fs::path folder = dir.Path();
  std::ofstream(folder / Player) << OldPlayer;
  std::ofstream(folder / Failed) << "older failure";
  std::ofstream(folder / Partial) << NewPlayer;
  WatchedFolder watched(folder);
  PlayerUpdate update(watched, folder.string());
  ASSERT_TRUE(update.Install());
  watched.playerAfterEach.clear();

  ASSERT_TRUE(update.RollBack());

  ASSERT_FALSE(watched.playerAfterEach.empty());
  for (const std::string& player : watched.playerAfterEach)
    EXPECT_TRUE(player == OldPlayer || player == NewPlayer) << player;
  EXPECT_EQ(Contents(folder / Player), OldPlayer);
  EXPECT_EQ(Contents(folder / Failed), NewPlayer);
  EXPECT_FALSE(fs::exists(folder / Backup));
}

TEST(PlayerUpdateOnDisk, APlayerThatIsAFolderIsSwappedWholeOrLeftAsItWas) {
  testsupport::TempDir dir;
  const fs::path folder = dir.Path();
  fs::create_directory(folder / Player);
  std::ofstream(folder / Player / "settings.ini") << "volume=7";
  std::ofstream(folder / Partial) << NewPlayer;
  PlayerUpdate update(platform::SystemFileOperations(), folder.string());

  const bool installed = update.Install();

  EXPECT_FALSE(fs::exists(folder / Partial));
  if (testsupport::SystemFiles().exchange) {
    // A folder has no second name: the two names are exchanged.
    ASSERT_TRUE(installed);
    EXPECT_EQ(update.LastSwap(), SwapMethod::Exchange);
    EXPECT_EQ(Contents(folder / Player), NewPlayer);
    EXPECT_EQ(Contents(folder / Backup / "settings.ini"), "volume=7");
  } else {
    // Without an exchange the folder cannot be kept whole beside the new player's name: the
    // install fails and leaves it as it was.
    EXPECT_FALSE(installed);
    EXPECT_EQ(Contents(folder / Player / "settings.ini"), "volume=7");
    EXPECT_FALSE(fs::exists(folder / Backup));
  }
}

TEST(PlayerUpdateOnDisk, AFolderUnderTheBackupsNameIsNeverTakenForThePlayerNorRemoved) {
  for (const bool empty : {true, false}) {
    testsupport::TempDir dir;
    const fs::path folder = dir.Path();
    fs::create_directory(folder / Backup);
    if (!empty)
      std::ofstream(folder / Backup / "notes.txt") << "mine";
    PlayerUpdate update(platform::SystemFileOperations(), folder.string());

    EXPECT_FALSE(update.RestoreInterruptedSwap()) << empty;
    EXPECT_FALSE(fs::exists(folder / Player)) << empty;
    std::ofstream(folder / Player) << OldPlayer;
    EXPECT_FALSE(update.PrepareBackupName()) << empty;
    EXPECT_TRUE(fs::is_directory(folder / Backup)) << empty;
    if (!empty) {
      EXPECT_EQ(Contents(folder / Backup / "notes.txt"), "mine");
    }
  }
}

TEST(PlayerUpdateOnDisk, AFailedInstallKeepsTheSystemsCodeAndReasonForTheLog) {
  testsupport::TempDir dir;
  const fs::path folder = dir.Path();
  std::ofstream(folder / Player) << OldPlayer;
  std::ofstream(folder / Partial) << NewPlayer;
  // A folder in the backup's place: the old player cannot be kept, so nothing is installed.
  fs::create_directory(folder / Backup);
  std::ofstream(folder / Backup / "notes.txt") << "mine";
  PlayerUpdate update(platform::SystemFileOperations(), folder.string());

  ASSERT_FALSE(update.Install());
#ifdef _WIN32
  EXPECT_EQ(update.LastFailure().rfind("error 5: ", 0), 0u) << update.LastFailure();
#else
  EXPECT_EQ(update.LastFailure().rfind("errno ", 0), 0u) << update.LastFailure();
  EXPECT_GT(update.LastFailure().size(), std::string("errno 21: ").size()) << update.LastFailure();
#endif
  EXPECT_EQ(Contents(folder / Player), OldPlayer);
}

// A player copied from a read-only medium, or marked so by its user.
void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

bool Writable(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

TEST(PlayerUpdateOnDisk, AReadOnlyPlayerIsReplacedRunAfterRun) {
  testsupport::TempDir dir;
  const fs::path folder = dir.Path();
  std::ofstream(folder / Player) << OldPlayer;
  std::string installed = OldPlayer;
  for (int run = 1; run <= 3; ++run) {
    MakeReadOnly(folder / Player);
    const std::string next = "player " + std::to_string(run);
    PlayerUpdate update(platform::SystemFileOperations(), folder.string());
    ASSERT_TRUE(update.PrepareBackupName()) << run;
    std::ofstream(update.BeginDownload()) << next;

    ASSERT_TRUE(update.Install()) << run;

    EXPECT_EQ(Contents(folder / Player), next) << run;
    EXPECT_EQ(Contents(folder / Backup), installed) << run;
    EXPECT_FALSE(fs::exists(folder / Partial)) << run;
    if (testsupport::SystemFiles().permissionBits) {
      EXPECT_FALSE(Writable(folder / Player)) << "the installed player's bits, run " << run;
    } else {
      // Windows has only the read-only flag: a new player of ours never carries it.
      EXPECT_TRUE(Writable(folder / Player)) << run;
    }
    installed = next;
  }
}

} // namespace
