// Export, one picture after another: build the object in a DcmFileFormat, write it, drop it, so
// that only one picture's pixels are held at a time.
#include "dicom/photo_export.h"

#include <dcmtk/config/osconfig.h>  // before every other DCMTK header
#include <dcmtk/dcmdata/dcfilefo.h>

#include <system_error>

#include "dicom/dicom_result.h"

namespace vyr {

size_t BatchReport::DoneCount() const {
    size_t done = 0;
    for (const PictureOutcome& outcome : pictures) {
        done += outcome.result == kDicomOk ? 1 : 0;
    }
    return done;
}

int ExportBatch(const PhotoBatch& batch, const std::filesystem::path& folder,
                const BatchProgress& progress, BatchCancel cancel, BatchReport* report) {
    *report = {};
    std::error_code error;
    const bool isFolder = std::filesystem::is_directory(folder, error);
    for (size_t i = 0; i < batch.size(); ++i) {
        PictureOutcome outcome;
        outcome.picture = batch.item(i).picture;
        if (!isFolder) {
            outcome.result = kDicomWriteFailed;
        } else if (cancel != nullptr && cancel->load()) {
            report->result = kDicomCancelled;
            outcome.result = kDicomCancelled;
        } else {
            DcmFileFormat file;
            outcome.result = batch.BuildDataset(i, file.getDataset());
            if (outcome.result == kDicomOk) {
                outcome.written = folder / batch.item(i).outputName;
                outcome.result = WriteDicomFile(&file, outcome.written);
            }
            if (outcome.result != kDicomOk) {
                outcome.written.clear();
            }
        }
        report->pictures.push_back(outcome);
        if (progress) {
            progress(i + 1, batch.size());
        }
    }
    if (!isFolder) {
        report->result = kDicomWriteFailed;
    }
    return report->result;
}

}  // namespace vyr
