// The files of a patient's picture folder as the photo list shows them: every regular file (any
// extension; folders are skipped), sorted by name, so snapshots (named by date and time) come in
// time order and marked pictures (mark_...) after them. Each comes with what tells one version of
// its contents from another, for the thumbnail cache. No Qt.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vyr {

struct PictureFile {
    std::string name;  // in the folder, no path
    uint64_t sizeBytes = 0;
    int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    uint64_t inode = 0;      // a picture replaced by renaming another over it gets a new one
};

// Lists the folder; stops early (returning what it has) once isCancelled says so. A folder that
// cannot be read lists nothing; a file that vanishes while listing is left out.
std::vector<PictureFile> ListPictureFiles(const std::filesystem::path& folder,
                                          const std::function<bool()>& isCancelled = {});

}  // namespace vyr
