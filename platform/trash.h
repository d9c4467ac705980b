// Deleting a picture the way a Linux desktop does: into the freedesktop.org trash, so that a
// mistaken delete can be undone from the file manager. Where no trash can be used the file is
// removed for good, as the program always did.
#pragma once

#include <filesystem>

namespace vyr {

// What became of a file handed to TrashOrRemove.
enum class TrashResult {
    kTrashed = 1,  // moved into a trash folder (home trash or the volume's .Trash-$uid)
    kRemoved = 0,  // no trash could take it: removed
    kKept = -1,    // neither worked (no such file, no permission): the file is still there
};

// Moves the file (or symbolic link, never followed) to the trash, or removes it when no trash can
// be used: the home trash ($XDG_DATA_HOME/Trash) cannot be made, or the trash refuses the file
// (another file system without a trash folder of its own). Safe on any thread.
TrashResult TrashOrRemove(const std::filesystem::path& file);

// The home trash, $XDG_DATA_HOME/Trash (~/.local/share/Trash when unset); its files/ and info/
// folders hold what was trashed and where it came from.
std::filesystem::path HomeTrashFolder();

}  // namespace vyr
