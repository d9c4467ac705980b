// Listing with std::filesystem for the names and stat(2) for the rest: a symbolic link is listed
// when it points at a regular file, with the target's size and times (what the thumbnail shows).
#include "ui/picture_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace vyr {

std::vector<PictureFile> ListPictureFiles(const std::filesystem::path& folder,
                                          const std::function<bool()>& isCancelled) {
    std::vector<PictureFile> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (isCancelled && isCancelled()) {
            break;
        }
        // Hidden files are the temporaries of pictures being written (or left by a crash on file
        // systems without unnamed files); they are no pictures of the patient.
        const bool isHidden = entry->path().filename().string().starts_with('.');
        struct stat status {};
        if (isHidden || ::stat(entry->path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            continue;
        }
        PictureFile file;
        file.name = entry->path().filename().string();
        file.sizeBytes = static_cast<uint64_t>(status.st_size);
        file.modifiedNs = int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
        file.inode = static_cast<uint64_t>(status.st_ino);
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(),
              [](const PictureFile& a, const PictureFile& b) { return a.name < b.name; });
    return files;
}

}  // namespace vyr
