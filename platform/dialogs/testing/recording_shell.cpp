// Records the request instead of starting a program.
#include "platform/dialogs/testing/recording_shell.h"

namespace vyr::testing {

bool RecordingShell::OpenFile(const std::filesystem::path& file) {
    opened_.push_back(file);
    return result_;
}

}  // namespace vyr::testing
