// DeleteTree: a recursive walk with std::filesystem that does not follow directory links; entries
// that cannot be deleted stay, as do entries that appear while walking. Lengths are counted in the
// bytes of the path as the system sees it.
#include "ui/delete_tree.h"

#include <system_error>

#include "platform/trash.h"

namespace vyr {
namespace {

constexpr size_t kPatternSuffixBytes = 4;  // "/*.*"

bool FitsBuffer(size_t bytes) {
    return bytes < kDeleteTreeBufferBytes;
}

bool PatternFits(const std::filesystem::path& folder) {
    return FitsBuffer(folder.native().size() + kPatternSuffixBytes);
}

int DeleteFilesIn(const std::filesystem::path& folder) {
    int deleted = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& path = entry->path();
        if (!FitsBuffer(path.filename().native().size()) || !FitsBuffer(path.native().size())) {
            continue;
        }
        std::error_code statusError;
        const auto status = entry->symlink_status(statusError);
        if (statusError) {
            continue;
        }
        if (std::filesystem::is_directory(status)) {
            if (PatternFits(path)) {
                deleted += DeleteFilesIn(path);
            }
        } else if (TrashOrRemove(path) != TrashResult::kKept) {
            ++deleted;
        }
    }
    return deleted;
}

}  // namespace

int DeleteTree(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || !PatternFits(folder) ||
        !std::filesystem::is_directory(std::filesystem::symlink_status(folder, error))) {
        return -1;
    }
    return DeleteFilesIn(folder);
}

}  // namespace vyr
