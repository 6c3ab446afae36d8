#include "app/FolderProbe.h"

#include "platform/FileOperations.h"
#include "platform/Files.h"

namespace app {

std::string FolderChangeProblem(const std::string& folder) {
  platform::FileOperations& files = platform::SystemFileOperations();
  const std::string prefix = folder.empty() ? std::string() : folder + "/";
  const std::string probe = prefix + ProbeName;
  const std::string renamed = prefix + RenamedProbeName;
  // What an interrupted earlier probe left.
  files.Remove(probe);
  files.Remove(renamed);
  try {
    platform::TWriteFile file;
    file.Create(probe, /*exclusive=*/true);
    file.Close();
  } catch (const platform::EFileError& error) {
    files.Remove(probe);
    return error.what();
  }
  if (!files.Move(probe, renamed)) {
    files.Remove(probe);
    return "Cannot rename \"" + probe + "\" in the player's folder.";
  }
  if (!files.Remove(renamed))
    return "Cannot remove \"" + renamed + "\" from the player's folder.";
  return {};
}

} // namespace app
