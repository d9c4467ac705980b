// A temporary exe folder: a fresh folder that is the working folder (where language.ini is read)
// and the folder GetExeDir names (where jpg/ and video/ go) while the object lives; both are put
// back and the folder removed with everything in it when it goes.
#pragma once

#include <filesystem>

#include "platform/exe_dir.h"
#include "support/temp_dir.h"

namespace vyr::test {

class ExeFolder : public TempDir {
public:
    ExeFolder() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path());
        SetExeDirOverride(path().string());
    }
    ~ExeFolder() {
        SetExeDirOverride("");
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    ExeFolder(const ExeFolder&) = delete;
    ExeFolder& operator=(const ExeFolder&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace vyr::test
