// Planning: study UIDs come from the site key, the TEL and the day; a series UID is drawn the first
// time a study appears in the batch; instance numbers count up within each series in the order the
// pictures were given. Output names keep the picture's stem ("20250203_090507.dcm") and add "_2",
// "_3" ... when two pictures of the batch share a stem.
#include "dicom/photo_batch.h"

#include <map>
#include <set>

#include "dicom/dicom_result.h"
#include "dicom/dicom_uids.h"

namespace vyr {
namespace {

PictureTime TimeOf(const QDateTime& moment) {
    const QDate date = moment.date();
    const QTime time = moment.time();
    return {date.year(),   date.month(),  date.day(), time.hour(),
            time.minute(), time.second(), false};
}

std::string UniqueName(const std::filesystem::path& picture, std::set<std::string>* used) {
    const std::string stem = picture.stem().string().empty() ? "picture" : picture.stem().string();
    std::string name = stem + ".dcm";
    for (int copy = 2; !used->insert(name).second; ++copy) {
        name = stem + "_" + std::to_string(copy) + ".dcm";
    }
    return name;
}

}  // namespace

PhotoBatch::PhotoBatch(const PatientRecord& patient,
                       const std::vector<std::filesystem::path>& pictures,
                       const std::string& siteKey, const QDateTime& now) {
    const PatientValues values = PatientValuesOf(patient);
    const int seriesNumber =
        now.time().hour() * 10000 + now.time().minute() * 100 + now.time().second();
    struct Series {
        std::string uid;
        int count = 0;
    };
    std::map<std::string, Series> seriesOfStudy;
    std::set<std::string> usedNames;
    for (const std::filesystem::path& picture : pictures) {
        Item item;
        item.picture = picture;
        item.fields.patient = values;
        item.fields.taken = PictureTimeOf(picture).value_or(TimeOf(now));
        item.fields.created = TimeOf(now);
        item.fields.studyUid = StudyUidFor(siteKey, patient.Tel(), item.fields.taken.Date());
        Series& series = seriesOfStudy[item.fields.studyUid];
        if (series.uid.empty()) {
            series.uid = NewRandomUid();
        }
        item.fields.seriesUid = series.uid;
        item.fields.seriesNumber = seriesNumber;
        item.fields.instanceNumber = ++series.count;
        item.fields.instanceUid = NewRandomUid();
        item.fields.isDerived = IsMarkedPicture(picture);
        item.outputName = UniqueName(picture, &usedNames);
        items_.push_back(std::move(item));
    }
}

int PhotoBatch::BuildDataset(size_t index, DcmDataset* dataset) const {
    const Item& planned = items_.at(index);
    QImage rgb;
    if (const int loaded = LoadPictureRgb(planned.picture, &rgb); loaded != kDicomOk) {
        return loaded;
    }
    return BuildPhotoDataset(planned.fields, rgb, dataset);
}

}  // namespace vyr
