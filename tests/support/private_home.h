// A home of the test's own: HOME, XDG_DATA_HOME and XDG_CACHE_HOME point into a fresh folder while
// this lives (and back to what they were afterwards), so that nothing a test deletes reaches the
// user's trash and no thumbnail reaches the user's cache. The trash (freedesktop.org layout) and
// the program's thumbnail cache can then be read back.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vyr::test {

class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    std::filesystem::path home() const { return dir_.path() / "home"; }
    std::filesystem::path dataHome() const { return dir_.path() / "data"; }
    std::filesystem::path cacheHome() const { return dir_.path() / "cache"; }
    std::filesystem::path thumbnailCache() const { return cacheHome() / "vyr" / "thumbnails"; }

    struct Trashed {
        std::filesystem::path original;  // the info file's Path=, percent-decoded
        std::filesystem::path inTrash;   // its file in Trash/files
    };
    // What the home trash holds, as its info files describe it.
    std::vector<Trashed> TrashedFiles() const;

private:
    struct Saved {
        std::string name;
        std::optional<std::string> value;
    };
    TempDir dir_;
    std::vector<Saved> saved_;
};

}  // namespace vyr::test
