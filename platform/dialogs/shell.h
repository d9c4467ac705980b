// The Shell seam: opening a file with the desktop's default program for its type. Tests record the
// call (testing/recording_shell.h) and never start a viewer.
#pragma once

#include <filesystem>

namespace vyr {

class Shell {
public:
    virtual ~Shell() = default;
    // Asks the desktop to open the file; true when the request was handed over.
    virtual bool OpenFile(const std::filesystem::path& file) = 0;
};

}  // namespace vyr
