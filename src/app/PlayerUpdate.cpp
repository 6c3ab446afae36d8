#include "app/PlayerUpdate.h"

namespace app {

using platform::FileResult;

PlayerUpdate::PlayerUpdate(platform::FileOperations& files, std::string folder)
    : m_files(files), m_folder(std::move(folder)) {}

UpdateDecision PlayerUpdate::Decide(std::string_view current, std::string_view published) {
  return current == published ? UpdateDecision::Current : UpdateDecision::Download;
}

std::string PlayerUpdate::Path(std::string_view name) const {
  return m_folder.empty() ? std::string(name) : m_folder + "/" + std::string(name);
}

std::string PlayerUpdate::Folder() const {
  return m_folder.empty() ? "." : m_folder;
}

bool PlayerUpdate::RestoreInterruptedSwap() {
  if (m_files.Exists(PlayerPath()) || !m_files.IsFile(BackupPath()))
    return false;
  if (!m_files.Move(BackupPath(), PlayerPath()))
    return false;
  SyncFolder();
  return true;
}

bool PlayerUpdate::PrepareBackupName() {
  if (!m_files.Exists(PlayerPath()) || !m_files.Exists(BackupPath()))
    return true;
  m_files.Remove(BackupPath());
  return !m_files.Exists(BackupPath());
}

std::string PlayerUpdate::BeginDownload() {
  m_files.Remove(PartialPath());
  m_downloadPending = true;
  m_downloadFlushed = false;
  return PartialPath();
}

void PlayerUpdate::SyncFolder() {
  // The renames stand whatever comes of their flush: a file system that cannot flush a folder
  // (Unsupported) is no failure, and one whose flush fails cannot have them undone either.
  m_files.SyncFolder(Folder());
}

void PlayerUpdate::DropPartialDownload() {
  m_files.Remove(PartialPath());
  m_downloadPending = false;
}

bool PlayerUpdate::Install() {
  m_downloadPending = false;
  m_lastSwap = SwapMethod::None;
  m_lastFailure.clear();
  if (PrepareDownloadedFile() && Swap()) {
    SyncFolder();
    return true;
  }
  // Before the removal, whose own outcome would take its place.
  m_lastFailure = m_files.LastFailure();
  m_files.Remove(PartialPath());
  return false;
}

bool PlayerUpdate::PrepareDownloadedFile() {
  // The new player's bytes reach the disk before any name points at them; it runs with the
  // installed player's permissions.
  if (!m_downloadFlushed && !m_files.SyncFile(PartialPath()))
    return false;
  const int mode = m_files.Mode(PlayerPath());
  m_files.SetMode(PartialPath(), mode >= 0 ? mode : 0755);
  return true;
}

bool PlayerUpdate::Swap() {
  const std::string player = PlayerPath();
  const std::string partial = PartialPath();
  if (!m_files.Exists(player)) {
    // Nothing to keep: the new player takes the free name, and nothing that appeared there
    // meanwhile is replaced.
    if (!m_files.Move(partial, player))
      return false;
    m_lastSwap = SwapMethod::Rename;
    return true;
  }
  // A backup that cannot be removed would leave the old player without one.
  const std::string backup = BackupPath();
  m_files.Remove(backup);
  if (m_files.Exists(backup))
    return false;

  switch (m_files.Link(player, backup)) {
  case FileResult::Done:
    // Until this rename the player's name holds the old player, after it the new one.
    if (!m_files.Replace(partial, player))
      return false;
    m_lastSwap = SwapMethod::LinkAndReplace;
    return true;
  case FileResult::Unsupported:
    return SwapByExchange();
  case FileResult::Failed:
    break;
  }
  return false;
}

bool PlayerUpdate::SwapByExchange() {
  const std::string player = PlayerPath();
  const std::string partial = PartialPath();
  switch (m_files.Exchange(partial, player)) {
  case FileResult::Done:
    break;
  case FileResult::Unsupported:
    return SwapByTwoRenames();
  case FileResult::Failed:
    return false;
  }
  // The old player is now under the partial file's name.
  if (!m_files.Move(partial, BackupPath())) {
    // Without a backup the old player goes back in the same single step.
    m_files.Exchange(partial, player);
    return false;
  }
  m_lastSwap = SwapMethod::Exchange;
  return true;
}

bool PlayerUpdate::SwapByTwoRenames() {
  // A file system with neither hard links nor an exchanging rename: between these two renames
  // there is no player, and RestoreInterruptedSwap puts the backup back after an interruption.
  const std::string player = PlayerPath();
  if (!m_files.Move(player, BackupPath()))
    return false;
  if (!m_files.Move(PartialPath(), player)) {
    m_files.Move(BackupPath(), player);
    return false;
  }
  m_lastSwap = SwapMethod::TwoRenames;
  return true;
}

StartVerdict PlayerUpdate::JudgeStart(platform::ProgramState state, bool windowShown,
                                      std::chrono::milliseconds elapsed,
                                      std::chrono::milliseconds limit) {
  using platform::ProgramState;
  if (state == ProgramState::NotStarted)
    return StartVerdict::Failed;
  if (elapsed >= limit || windowShown || state == ProgramState::Succeeded)
    return StartVerdict::Started;
  return state == ProgramState::Failed ? StartVerdict::Failed : StartVerdict::Waiting;
}

const char* SwapMethodName(SwapMethod method) {
  switch (method) {
  case SwapMethod::None:
    return "none";
  case SwapMethod::Rename:
    return "rename (no old player)";
  case SwapMethod::LinkAndReplace:
    return "link and replace";
  case SwapMethod::Exchange:
    return "exchange";
  case SwapMethod::TwoRenames:
    return "two renames";
  case SwapMethod::AnotherRun:
    return "another run";
  }
  return "?";
}

bool PlayerUpdate::AdoptInstallOfAnotherRun() {
  if (!m_files.Exists(PlayerPath()) || !m_files.Exists(BackupPath()))
    return false;
  m_lastSwap = SwapMethod::AnotherRun;
  return true;
}

bool PlayerUpdate::CanRollBack() const {
  return m_lastSwap != SwapMethod::None && m_lastSwap != SwapMethod::Rename;
}

bool PlayerUpdate::RollBack() {
  m_lastFailure.clear();
  if (!CanRollBack() || !m_files.Exists(BackupPath()) || !m_files.Exists(PlayerPath()))
    return false;
  // An older failed player that cannot be removed would leave the new one without its name.
  const std::string failed = FailedPath();
  m_files.Remove(failed);
  if (m_files.Exists(failed))
    return false;

  bool restored = false;
  switch (m_files.Link(PlayerPath(), failed)) {
  case FileResult::Done:
    // Until this rename the player's name holds the new player, after it the old one.
    restored = m_files.Replace(BackupPath(), PlayerPath());
    if (!restored) {
      m_lastFailure = m_files.LastFailure();
      m_files.Remove(failed);
    }
    break;
  case FileResult::Unsupported:
    restored = RollBackByExchange();
    break;
  case FileResult::Failed:
    break;
  }
  if (restored) {
    m_lastSwap = SwapMethod::None;
    SyncFolder();
  } else if (m_lastFailure.empty()) {
    m_lastFailure = m_files.LastFailure();
  }
  return restored;
}

bool PlayerUpdate::RollBackByExchange() {
  const std::string player = PlayerPath();
  const std::string backup = BackupPath();
  switch (m_files.Exchange(backup, player)) {
  case FileResult::Done:
    break;
  case FileResult::Unsupported:
    return RollBackByTwoRenames();
  case FileResult::Failed:
    return false;
  }
  // The old player is back; the new one is under the backup's name until it is moved aside.
  // Should the move fail it stays there, to be replaced by the next install's backup.
  m_files.Move(backup, FailedPath());
  return true;
}

bool PlayerUpdate::RollBackByTwoRenames() {
  // Between these two renames there is no player; RestoreInterruptedSwap puts the backup back
  // after an interruption.
  const std::string player = PlayerPath();
  if (!m_files.Move(player, FailedPath()))
    return false;
  if (!m_files.Move(BackupPath(), player)) {
    m_files.Move(FailedPath(), player);
    return false;
  }
  return true;
}

} // namespace app
