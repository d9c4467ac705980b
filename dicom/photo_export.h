// Export: each picture of a batch becomes one .dcm file in a folder.
#pragma once

#include <filesystem>

#include "dicom/batch_report.h"
#include "dicom/photo_batch.h"

namespace vyr {

// Writes item i of the batch to folder/item(i).outputName (replacing an older export of the same
// name), one picture at a time, reporting after each. A picture that fails does not stop the
// others; a cancel stops before the next picture, which is reported kDicomCancelled like the rest.
// Returns report->result: kDicomOk, kDicomWriteFailed when the folder does not exist, or
// kDicomCancelled.
int ExportBatch(const PhotoBatch& batch, const std::filesystem::path& folder,
                const BatchProgress& progress, BatchCancel cancel, BatchReport* report);

}  // namespace vyr
