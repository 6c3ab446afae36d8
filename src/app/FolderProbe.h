#pragma once

#include <string>

namespace app {

// The names the probe uses in the player's folder, gone again when it returns.
inline constexpr const char* ProbeName = "Kolvarin.update-probe";
inline constexpr const char* RenamedProbeName = "Kolvarin.update-probe.renamed";

// Why the update cannot create, rename and remove files in `folder` (empty: the working
// folder), found by doing each once with a probe file; empty when it can. The user may lack
// the right (a folder under Program Files, a read-only disk), which is better known before the
// player is closed than after the download.
std::string FolderChangeProblem(const std::string& folder = {});

} // namespace app
