// Deleting every file under a folder (the camera's "delete all pictures"): sub-folders are walked
// and kept. Files go to the desktop's trash, or are removed where no trash can be used.
#pragma once

#include <cstddef>
#include <filesystem>

namespace vyr {

// The walk's paths are held in buffers of this many bytes with their terminator: the search
// pattern (folder + "/*.*"), an entry's name and the joined path (folder + "/" + name).
inline constexpr size_t kDeleteTreeBufferBytes = 200;

// Deletes every file in folder and in all its sub-folders; folders are never removed. Symbolic
// links are deleted as links and never followed, so nothing outside the folder is touched. Paths
// that do not fit the buffers are refused, never cut into another name: an entry whose joined path
// (or, for a sub-folder, whose pattern) would not fit stays as it is.
// Returns the number of files deleted (trashed or removed), or -1 when folder is empty, not a
// directory, or too long for its pattern (an empty path must never become "/").
int DeleteTree(const std::filesystem::path& folder);

}  // namespace vyr
