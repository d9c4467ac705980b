// What became of each picture of an export or a sending, for the message the user reads: only
// pictures written completely, or confirmed by the archive, count as done.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vyr {

struct PictureOutcome {
    std::filesystem::path picture;
    int result = 0;                 // DicomResult; kDicomOk only when written or confirmed
    uint16_t status = 0;            // the archive's C-STORE status, when it answered
    std::filesystem::path written;  // the .dcm file, for an export
};

struct BatchReport {
    // kDicomOk, or what stopped the whole batch (no archive, connection, association, cancel).
    int result = 0;
    std::string detail;  // the toolkit's words for a connection or association failure
    std::vector<PictureOutcome> pictures;

    size_t DoneCount() const;
};

// Called on the worker after each picture: pictures finished so far and the batch's size.
using BatchProgress = std::function<void(size_t done, size_t total)>;

// Set by the window to stop a batch before its next picture; may be null.
using BatchCancel = const std::atomic<bool>*;

}  // namespace vyr
