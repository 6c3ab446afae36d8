#pragma once

#include "platform/FileOperations.h"
#include "platform/StartProgram.h"

#include <chrono>
#include <string>
#include <string_view>

namespace app {

// The files of an update, in the player's (the working) folder: the player's executable (also
// the name its processes go by), the download until it is complete, and the old player's backup.
inline constexpr std::string_view PlayerExeName = "Kolvarin.exe";
inline constexpr const char* PartialPlayerName = "Kolvarin.exe.part";
inline constexpr const char* BackupName = "Kolvarin.bak";
// A new player that could not start, kept aside when the old one is put back.
inline constexpr const char* FailedPlayerName = "Kolvarin.failed";

// How long a newly installed player has to show that it starts.
inline constexpr std::chrono::milliseconds StartLimit{10000};

enum class UpdateDecision { Current, Download };

// How the last install replaced the player.
enum class SwapMethod {
  None,           // nothing installed
  Rename,         // there was no player: the new file was renamed to its name
  LinkAndReplace, // the backup linked to the old player, then the new file renamed over it
  Exchange,       // the two names swapped, then the old player renamed to the backup
  TwoRenames,     // the old player renamed to the backup, then the new file to the player
  AnotherRun,     // another run of the updater installed it, the old player kept as the backup
};

// The method's name, as the log writes it.
const char* SwapMethodName(SwapMethod method);

// How the start of a newly installed player is judged so far.
enum class StartVerdict {
  Waiting, // it runs, without a window yet, within the limit
  Started, // it showed its window, ran past the limit, or ended with success
  Failed,  // it could not be run, or ended with a failure within the limit
};

// The update's core, without a window: the update decision, the partial download, and the swap
// that puts a complete download in the player's place with the old player kept as the backup.
//
// At every moment of the swap "Kolvarin.exe" names a whole player, the old or the new one: the
// backup is a second name of the old player (a hard link), and the new file then replaces
// "Kolvarin.exe" in one rename. A file system without hard links gets the two names swapped in
// one step instead; only one that has neither gets the old player renamed to the backup and
// the new file renamed to the player, and a run that then finds the backup without a player
// puts the backup back before anything else.
//
// The steps of Install are separate so that a check of the download can come before the swap
// and a return to the backup after it.
class PlayerUpdate {
public:
  explicit PlayerUpdate(platform::FileOperations& files = platform::SystemFileOperations(),
                        std::string folder = {});

  // Equal bytes (no trimming, no ordering of versions) mean the installed version is current.
  static UpdateDecision Decide(std::string_view current, std::string_view published);

  std::string PlayerPath() const { return Path(PlayerExeName); }
  std::string PartialPath() const { return Path(PartialPlayerName); }
  std::string BackupPath() const { return Path(BackupName); }

  // When an interrupted earlier run left the backup but no player, the backup becomes the
  // player again. True when it did. Only a regular file is taken for the old player: a folder
  // (or anything else) of the backup's name stays where it is.
  bool RestoreInterruptedSwap();

  // Frees the backup's name before a download, so that an install that could not keep the old
  // player is known before the download and not after it: a file there goes. False when
  // something stays under the name (a folder, a file that cannot be removed). With no player
  // there is nothing to keep, and nothing is removed.
  bool PrepareBackupName();

  // Removes a leftover partial file (or anything planted under its name) and returns the name
  // the download is to create, fresh.
  std::string BeginDownload();
  // The download's writer has flushed the partial file to the disk through its own handle (the
  // download engine does before it reports success): Install does not open it again to flush
  // it, which a program holding the file without sharing its writing would refuse.
  void DownloadFlushed() { m_downloadFlushed = true; }
  // Whether a download has begun and is neither installed nor dropped.
  bool DownloadPending() const { return m_downloadPending; }
  // Removes the partial file.
  void DropPartialDownload();

  // Puts the complete download in the player's place, the old player kept as the backup. On
  // failure the partial file is removed and the player stays as it was. True when installed.
  bool Install();
  SwapMethod LastSwap() const { return m_lastSwap; }
  // The system's code and reason for the last install or return that failed, for the log.
  const std::string& LastFailure() const { return m_lastFailure; }

  // How the new player's start stands, `elapsed` after it began; its window counts as a start at
  // once. An end seen after the limit has passed no longer counts against it.
  static StartVerdict JudgeStart(platform::ProgramState state, bool windowShown,
                                 std::chrono::milliseconds elapsed,
                                 std::chrono::milliseconds limit = StartLimit);

  // Whether the last install kept an old player to return to.
  bool CanRollBack() const;
  // Takes the player and the backup that another run's install left (an elevated run's) as
  // this one's, so that RollBack can return to the backup. False when either is missing.
  bool AdoptInstallOfAnotherRun();
  // Puts the old player back after the new one failed to start: the backup becomes the player
  // and the new player is kept as FailedPlayerName (an older one of that name goes), with a
  // whole player under the player's name at every moment wherever the file system allows it.
  // True when the old player is back.
  bool RollBack();
  std::string FailedPath() const { return Path(FailedPlayerName); }

private:
  std::string Path(std::string_view name) const;
  std::string Folder() const;
  bool PrepareDownloadedFile();
  void SyncFolder();
  bool Swap();
  bool SwapByExchange();
  bool SwapByTwoRenames();
  bool RollBackByExchange();
  bool RollBackByTwoRenames();

  platform::FileOperations& m_files;
  std::string m_folder;
  bool m_downloadPending = false;
  bool m_downloadFlushed = false;
  SwapMethod m_lastSwap = SwapMethod::None;
  std::string m_lastFailure;
};

} // namespace app
