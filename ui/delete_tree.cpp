// DeleteTree: a recursive walk with std::filesystem that does not follow directory links; entries
// that cannot be removed stay, as do entries that appear while walking.
#include "ui/delete_tree.h"

#include <system_error>

namespace vyr {
namespace {

int DeleteFilesIn(const std::filesystem::path& folder) {
    int deleted = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code statusError;
        const auto status = entry->symlink_status(statusError);
        if (statusError) {
            continue;
        }
        if (std::filesystem::is_directory(status)) {
            deleted += DeleteFilesIn(entry->path());
        } else {
            std::error_code removeError;
            if (std::filesystem::remove(entry->path(), removeError)) {
                ++deleted;
            }
        }
    }
    return deleted;
}

}  // namespace

int DeleteTree(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() ||
        !std::filesystem::is_directory(std::filesystem::symlink_status(folder, error))) {
        return -1;
    }
    return DeleteFilesIn(folder);
}

}  // namespace vyr
