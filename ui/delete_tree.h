// Deleting every file under a folder (the camera's "delete all pictures"): sub-folders are walked
// and kept. No Qt.
#pragma once

#include <filesystem>

namespace vyr {

// Deletes every file in folder and in all its sub-folders; folders are never removed. Symbolic
// links are removed as links and never followed, so nothing outside the folder is touched.
// Returns the number of files deleted, or -1 when folder is empty or not a directory (an empty
// path must never become "/").
int DeleteTree(const std::filesystem::path& folder);

}  // namespace vyr
