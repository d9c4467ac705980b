// The VL Photographic Image IOD filled module by module: SOP Common, Patient, General Study,
// Patient Study, General Series, General Equipment, General Image, Image Pixel, VL Image and
// Acquisition Context. Pixel rows are copied once, straight into the toolkit's own buffer.
#include "dicom/photo_object.h"

#include <dcmtk/config/osconfig.h>  // before every other DCMTK header
#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcpixel.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <QImageReader>
#include <cstring>
#include <system_error>

#include "dicom/dicom_result.h"

namespace vyr {
namespace {

// Collects the first failure of a series of puts.
class Putter {
public:
    explicit Putter(DcmDataset* dataset) : dataset_(dataset) {}

    void Text(const DcmTagKey& tag, const std::string& value) {
        Check(dataset_->putAndInsertOFStringArray(tag, OFString(value.c_str(), value.size())));
    }
    void Number(const DcmTagKey& tag, Uint16 value) {
        Check(dataset_->putAndInsertUint16(tag, value));
    }
    void Empty(const DcmTagKey& tag) { Check(dataset_->insertEmptyElement(tag)); }
    void Check(const OFCondition& condition) { isGood_ = isGood_ && condition.good(); }
    bool isGood() const { return isGood_; }

private:
    DcmDataset* dataset_;
    bool isGood_ = true;
};

void PutPixels(const QImage& rgb, DcmDataset* dataset, Putter* put) {
    const auto rowBytes = static_cast<size_t>(rgb.width()) * 3;
    const auto totalBytes = rowBytes * static_cast<size_t>(rgb.height());
    auto* pixels = new DcmPixelData(DCM_PixelData);
    pixels->setVR(EVR_OB);
    Uint8* bytes = nullptr;
    // An odd length is padded by the toolkit when it writes.
    const OFCondition created = pixels->createUint8Array(static_cast<Uint32>(totalBytes), bytes);
    if (created.bad() || bytes == nullptr) {
        delete pixels;
        put->Check(created.bad() ? created : EC_MemoryExhausted);
        return;
    }
    for (int row = 0; row < rgb.height(); ++row) {
        std::memcpy(bytes + static_cast<size_t>(row) * rowBytes, rgb.constScanLine(row), rowBytes);
    }
    put->Check(dataset->insert(pixels, true));
}

}  // namespace

bool IsMarkedPicture(const std::filesystem::path& picture) {
    return picture.filename().string().rfind("mark_", 0) == 0;
}

int LoadPictureRgb(const std::filesystem::path& picture, QImage* rgb) {
    QImageReader reader(QString::fromStdString(picture.string()));
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
                           qint64{size.width()} * size.height() > kMaxPicturePixels)) {
        return kDicomPictureTooLarge;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return kDicomNotAPicture;
    }
    if (image.width() > kMaxPictureSide || image.height() > kMaxPictureSide) {
        return kDicomPictureTooLarge;
    }
    *rgb = image.format() == QImage::Format_RGB888 ? std::move(image)
                                                   : image.convertToFormat(QImage::Format_RGB888);
    return rgb->isNull() ? kDicomNotAPicture : kDicomOk;
}

int BuildPhotoDataset(const PhotoObjectFields& fields, const QImage& rgb, DcmDataset* dataset) {
    if (rgb.isNull() || rgb.format() != QImage::Format_RGB888 || dataset == nullptr) {
        return kDicomBuildFailed;
    }
    Putter put(dataset);
    const std::string day = fields.taken.Date();

    // SOP Common. Every text below is UTF-8.
    put.Text(DCM_SpecificCharacterSet, "ISO_IR 192");
    put.Text(DCM_SOPClassUID, UID_VLPhotographicImageStorage);
    put.Text(DCM_SOPInstanceUID, fields.instanceUid);
    put.Text(DCM_InstanceCreationDate, fields.created.Date());
    put.Text(DCM_InstanceCreationTime, fields.created.Time());

    // Patient and Patient Study.
    put.Text(DCM_PatientName, fields.patient.name);
    put.Text(DCM_PatientID, fields.patient.id);
    put.Empty(DCM_PatientBirthDate);
    put.Text(DCM_PatientSex, fields.patient.sex);
    if (!fields.patient.age.empty()) {
        put.Text(DCM_PatientAge, fields.patient.age);
    }

    // General Study: one study per patient and day, so its date is that day; its time is left
    // empty because the study has no single moment.
    put.Text(DCM_StudyInstanceUID, fields.studyUid);
    put.Text(DCM_StudyDate, day);
    put.Empty(DCM_StudyTime);
    put.Empty(DCM_ReferringPhysicianName);
    put.Text(DCM_StudyID, day);
    put.Empty(DCM_AccessionNumber);

    // General Series and General Equipment.
    put.Text(DCM_Modality, "XC");
    put.Text(DCM_SeriesInstanceUID, fields.seriesUid);
    put.Text(DCM_SeriesNumber, std::to_string(fields.seriesNumber));
    put.Text(DCM_Manufacturer, kDicomManufacturer);
    put.Text(DCM_SoftwareVersions, kDicomSoftwareVersion);

    // General Image and VL Image.
    put.Text(DCM_ImageType, fields.isDerived ? "DERIVED\\SECONDARY" : "ORIGINAL\\PRIMARY");
    if (fields.isDerived) {
        put.Text(DCM_DerivationDescription, "Marks drawn by hand on the original picture");
    }
    put.Text(DCM_InstanceNumber, std::to_string(fields.instanceNumber));
    put.Empty(DCM_PatientOrientation);
    // The mouth is no paired body part ("U", unpaired), so the series needs no Laterality.
    put.Text(DCM_ImageLaterality, "U");
    put.Text(DCM_ContentDate, day);
    put.Text(DCM_ContentTime, fields.taken.Time());
    put.Text(DCM_AcquisitionDateTime, fields.taken.DateTime());
    put.Text(DCM_BurnedInAnnotation, "NO");
    put.Text(DCM_LossyImageCompression, "00");

    // Image Pixel: 8-bit RGB, colour-by-pixel.
    put.Number(DCM_SamplesPerPixel, 3);
    put.Text(DCM_PhotometricInterpretation, "RGB");
    put.Number(DCM_PlanarConfiguration, 0);
    put.Number(DCM_Rows, static_cast<Uint16>(rgb.height()));
    put.Number(DCM_Columns, static_cast<Uint16>(rgb.width()));
    put.Number(DCM_BitsAllocated, 8);
    put.Number(DCM_BitsStored, 8);
    put.Number(DCM_HighBit, 7);
    put.Number(DCM_PixelRepresentation, 0);
    PutPixels(rgb, dataset, &put);

    // Acquisition Context: nothing is known about the acquisition context.
    put.Empty(DCM_AcquisitionContextSequence);
    return put.isGood() ? kDicomOk : kDicomBuildFailed;
}

int WriteDicomFile(DcmFileFormat* file, const std::filesystem::path& target) {
    std::filesystem::path temporary = target;
    temporary += ".part";
    const OFCondition saved =
        file->saveFile(OFFilename(temporary.c_str()), EXS_LittleEndianExplicit, EET_ExplicitLength,
                       EGL_recalcGL, EPD_noChange, 0, 0, EWM_createNewMeta);
    std::error_code error;
    if (saved.good()) {
        std::filesystem::rename(temporary, target, error);
        if (!error) {
            return kDicomOk;
        }
    }
    std::filesystem::remove(temporary, error);
    return kDicomWriteFailed;
}

}  // namespace vyr
