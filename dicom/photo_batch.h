// One export or sending of a patient's pictures, planned before any picture is read: each picture's
// time, the study it belongs to (one per patient and day), the series (one per study in this
// batch), its instance number and the name of its .dcm file. The plan is made on the window's
// thread and then used read-only on a worker.
#pragma once

#include <QDateTime>
#include <filesystem>
#include <string>
#include <vector>

#include "dicom/patient_values.h"
#include "dicom/photo_object.h"
#include "patients/store/patient_record.h"

class DcmDataset;

namespace vyr {

class PhotoBatch {
public:
    struct Item {
        std::filesystem::path picture;
        PhotoObjectFields fields;
        std::string outputName;  // the .dcm file's name: the picture's stem, made unique
    };

    // siteKey from dicom.ini (ReadOrCreateSiteKey); now is the batch's time, which numbers its
    // series (hhmmss) and is the objects' creation time (read here, so that the worker never asks
    // for the local time). Pictures whose time is unknown (gone) are planned for now's date and
    // fail when they are read.
    PhotoBatch(const PatientRecord& patient, const std::vector<std::filesystem::path>& pictures,
               const std::string& siteKey, const QDateTime& now);

    size_t size() const { return items_.size(); }
    const Item& item(size_t index) const { return items_.at(index); }

    // Reads picture index and fills an empty dataset with its object. Returns kDicomOk or the
    // failure of LoadPictureRgb or BuildPhotoDataset.
    [[nodiscard]] int BuildDataset(size_t index, DcmDataset* dataset) const;

private:
    std::vector<Item> items_;
};

}  // namespace vyr
