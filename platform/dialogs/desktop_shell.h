// The Shell of the running program: QDesktopServices opens the file's URL.
#pragma once

#include "platform/dialogs/shell.h"

namespace vyr {

class DesktopShell : public Shell {
public:
    bool OpenFile(const std::filesystem::path& file) override;
};

}  // namespace vyr
