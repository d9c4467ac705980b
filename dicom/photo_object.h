// One picture as a VL Photographic Image (SOP Class 1.2.840.10008.5.1.4.1.1.77.1.4, modality XC):
// the patient, the study and series it belongs to, when it was taken, our equipment, and its pixels
// as 8-bit RGB, uncompressed. An annotated picture (mark_...) is flagged as derived.
#pragma once

#include <QImage>
#include <filesystem>
#include <string>

#include "dicom/patient_values.h"
#include "dicom/picture_time.h"

class DcmDataset;
class DcmFileFormat;

namespace vyr {

// What our objects say about the equipment that made them.
inline constexpr char kDicomManufacturer[] = "vyr";
inline constexpr char kDicomSoftwareVersion[] = "V8.5 2024/09/14";

// Pictures larger than this are refused before their pixels are decoded (a BMP header can claim
// any size).
inline constexpr int kMaxPictureSide = 65535;  // Rows and Columns are 16-bit
inline constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;

struct PhotoObjectFields {
    PatientValues patient;
    std::string studyUid;
    std::string seriesUid;
    std::string instanceUid;
    PictureTime taken;
    PictureTime created;  // Instance Creation Date and Time: when the batch was made
    int seriesNumber = 1;
    int instanceNumber = 1;
    bool isDerived = false;  // an annotated copy of another picture
};

// Whether the file is one of the analyzer's annotated pictures (its name begins with "mark_").
bool IsMarkedPicture(const std::filesystem::path& picture);

// Loads the picture as 8-bit RGB. Returns kDicomOk, kDicomNotAPicture or kDicomPictureTooLarge.
[[nodiscard]] int LoadPictureRgb(const std::filesystem::path& picture, QImage* rgb);

// Fills an empty dataset (a DcmFileFormat's own, so that writing copies nothing) with the object.
// rgb must be Format_RGB888 and not null.
// Returns kDicomOk or kDicomBuildFailed.
[[nodiscard]] int BuildPhotoDataset(const PhotoObjectFields& fields, const QImage& rgb,
                                    DcmDataset* dataset);

// Writes the dataset as a DICOM file (Explicit VR Little Endian, with its meta header) through a
// temporary file beside target, renamed over it once complete. Returns kDicomOk or
// kDicomWriteFailed.
[[nodiscard]] int WriteDicomFile(DcmFileFormat* file, const std::filesystem::path& target);

}  // namespace vyr
