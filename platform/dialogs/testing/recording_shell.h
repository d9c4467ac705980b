// Shell for tests: records every file it is asked to open and opens nothing.
#pragma once

#include <vector>

#include "platform/dialogs/shell.h"

namespace vyr::testing {

class RecordingShell : public Shell {
public:
    bool OpenFile(const std::filesystem::path& file) override;

    const std::vector<std::filesystem::path>& opened() const { return opened_; }
    // What OpenFile reports from now on (true unless set otherwise).
    void SetResult(bool handedOver) { result_ = handedOver; }

private:
    std::vector<std::filesystem::path> opened_;
    bool result_ = true;
};

}  // namespace vyr::testing
