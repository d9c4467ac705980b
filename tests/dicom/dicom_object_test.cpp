// Our VL Photographic Image objects as outside programs read them: dciodvfy finds no error,
// dcmdump shows the patient, the times and the picture's size, dcm2pnm decodes the very pixels of
// the picture. Also studies and series across batches, pictures that cannot be exported, vyr2dcm,
// and the patient's fields and picture times that decide what an archive shows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <fstream>
#include <set>

#include "dicom/dicom_result.h"
#include "dicom/patient_values.h"
#include "dicom/photo_batch.h"
#include "dicom/photo_export.h"
#include "dicom/picture_time.h"
#include "support/dicom/dicom_oracle.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

const QDateTime kNow(QDate(2025, 2, 4), QTime(10, 30, 15));

class DicomObjectTest : public ::testing::Test {
protected:
    fs::path Picture(const std::string& name, int width, int height, const char* format = "BMP") {
        const fs::path file = dir_.path() / "jpg" / name;
        fs::create_directories(file.parent_path());
        EXPECT_TRUE(
            PatternPicture(width, height).save(QString::fromStdString(file.string()), format));
        return file;
    }

    TempDir dir_;
    const fs::path out_ = dir_.path() / "out";
    PatientRecord patient_ = MakePatientRecord("张三^Zevra", " 34 ", "10000", kGenderFemale);
};

TEST_F(DicomObjectTest, ObjectsPassTheValidatorAndCarryThePatientTimesAndPixels) {
    // A picture of no name-given time gets its modification time, read here as local time.
    const fs::path other = Picture("scan.png", 64, 48, "PNG");
    QFile file(QString::fromStdString(other.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2023, 7, 9), QTime(8, 7, 6)),
                                 QFileDevice::FileModificationTime));
    file.close();
    const struct {
        fs::path picture;
        QSize size;
        std::string acquired;
        bool isDerived;
    } cases[] = {
        // Odd widths make rows that are not a multiple of four bytes long.
        {Picture("20250203_090507.bmp", 301, 199), {301, 199}, "20250203090507", false},
        {Picture("IMG_20241231_235959.bmp", 160, 90), {160, 90}, "20241231235959", false},
        {Picture("mark_20250203_091000.bmp", 97, 61), {97, 61}, "20250203091000", true},
        {other, {64, 48}, "20230709080706", false},
    };
    std::vector<fs::path> pictures;
    for (const auto& c : cases) {
        pictures.push_back(c.picture);
    }
    fs::create_directories(out_);
    BatchReport report;
    ASSERT_EQ(ExportBatch(PhotoBatch(patient_, pictures, "site", kNow), out_, {}, nullptr, &report),
              kDicomOk);
    ASSERT_EQ(report.DoneCount(), 4u);

    for (size_t i = 0; i < 4; ++i) {
        const auto& c = cases[i];
        const fs::path dcm = report.pictures[i].written;
        SCOPED_TRACE(dcm.string());
        EXPECT_EQ(dcm, out_ / (c.picture.stem().string() + ".dcm"));
        const Validation validation = ValidateWithDciodvfy(dcm);
        EXPECT_EQ(validation.errors, 0) << validation.output;
        const DicomDump dump(dcm);
        // VL Photographic Image, explicit VR little endian.
        const std::pair<const char*, std::string> values[] = {
            {"0008,0016", "1.2.840.10008.5.1.4.1.1.77.1.4"},
            {"0008,0060", "XC"},
            {"0008,0005", "ISO_IR 192"},
            {"0010,0010", "张三^Zevra"},
            {"0010,0020", "10000"},
            {"0010,0040", "F"},
            {"0010,1010", "034Y"},
            {"0028,0010", std::to_string(c.size.height())},
            {"0028,0011", std::to_string(c.size.width())},
            {"0008,002a", c.acquired},
            {"0008,0020", c.acquired.substr(0, 8)},
            {"0002,0010", "1.2.840.10008.1.2.1"},
            {"0008,0008", c.isDerived ? "DERIVED\\SECONDARY" : "ORIGINAL\\PRIMARY"}};
        for (const auto& [tag, value] : values) {
            EXPECT_EQ(dump[tag], value) << tag;
        }
        EXPECT_EQ(dump["0008,2111"] == "(missing)", !c.isDerived);
        // Lossless: the decoded pixels are exactly the picture's own.
        EXPECT_TRUE(DecodeWithDcm2pnm(dcm) == PatternPicture(c.size.width(), c.size.height()));
    }
}

TEST_F(DicomObjectTest, AStudyPerPatientAndDayAndASeriesPerStudyInEachBatch) {
    const fs::path day1a = Picture("20250203_090000.bmp", 8, 8);
    const fs::path day1b = Picture("mark_20250203_091500.bmp", 8, 8);
    const fs::path day2 = Picture("20250204_080000.bmp", 8, 8);
    const PhotoBatch first(patient_, {day1a, day2, day1b}, "site", kNow);
    const PhotoBatch second(patient_, {day1b}, "site", kNow.addSecs(60));
    const auto& a = first.item(0).fields;
    const auto& b = first.item(1).fields;
    const auto& c = first.item(2).fields;
    EXPECT_EQ(a.studyUid, c.studyUid);
    EXPECT_EQ(a.seriesUid, c.seriesUid);
    EXPECT_NE(a.studyUid, b.studyUid);
    EXPECT_NE(a.seriesUid, b.seriesUid);
    EXPECT_EQ(std::vector<int>({a.instanceNumber, c.instanceNumber, b.instanceNumber}),
              std::vector<int>({1, 2, 1}));
    // The same patient and day in a later batch: the same study, a new series.
    EXPECT_EQ(second.item(0).fields.studyUid, a.studyUid);
    EXPECT_NE(second.item(0).fields.seriesUid, a.seriesUid);
    const PatientRecord other = MakePatientRecord("zevra", "30", "10001", kGenderMale);
    EXPECT_NE(PhotoBatch(other, {day1a}, "site", kNow).item(0).fields.studyUid, a.studyUid);
    EXPECT_NE(PhotoBatch(patient_, {day1a}, "another site", kNow).item(0).fields.studyUid,
              a.studyUid);
    // dciodvfy judges the form of UIDs in the files; here each picture's own is unique.
    const std::set<std::string> instances = {a.instanceUid, b.instanceUid, c.instanceUid,
                                             second.item(0).fields.instanceUid};
    EXPECT_EQ(instances.size(), 4u);
}

TEST_F(DicomObjectTest, PicturesThatCannotBeReadAreReportedAndTheOthersWritten) {
    const fs::path good = Picture("20250203_090507.bmp", 32, 16);
    const fs::path sameStem = Picture("20250203_090507.png", 32, 16, "PNG");
    const fs::path text = dir_.path() / "jpg" / "20250203_100000.bmp";
    std::ofstream(text) << "not a picture";
    // A BMP header that claims 70000 x 10 pixels: refused before any pixel is decoded.
    const fs::path huge = dir_.path() / "jpg" / "huge.bmp";
    const uint8_t header[54] = {'B', 'M', 0, 0,    0,    0,    0, 0,  0, 0, 54, 0, 0, 0,  40,
                                0,   0,   0, 0x70, 0x11, 0x01, 0, 10, 0, 0, 0,  1, 0, 24, 0};
    std::ofstream(huge, std::ios::binary).write(reinterpret_cast<const char*>(header), 54);
    const fs::path gone = dir_.path() / "jpg" / "20250203_110000.bmp";

    const PhotoBatch batch(patient_, {text, good, huge, gone, sameStem}, "site", kNow);
    fs::create_directories(out_);
    BatchReport report;
    EXPECT_EQ(ExportBatch(batch, out_, {}, nullptr, &report), kDicomOk);
    std::vector<int> results;
    for (const PictureOutcome& outcome : report.pictures) {
        results.push_back(outcome.result);
    }
    EXPECT_EQ(results, (std::vector<int>{kDicomNotAPicture, kDicomOk, kDicomPictureTooLarge,
                                         kDicomNotAPicture, kDicomOk}));
    std::set<fs::path> written;
    for (const auto& entry : fs::directory_iterator(out_)) {
        written.insert(entry.path().filename());
    }
    EXPECT_EQ(written, (std::set<fs::path>{"20250203_090507.dcm", "20250203_090507_2.dcm"}));
    // A folder that does not exist, or a cancel before the start: nothing counts as exported.
    EXPECT_EQ(ExportBatch(batch, dir_.path() / "missing", {}, nullptr, &report), kDicomWriteFailed);
    EXPECT_EQ(report.DoneCount(), 0u);
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(ExportBatch(batch, out_, {}, &cancel, &report), kDicomCancelled);
    EXPECT_EQ(report.DoneCount(), 0u);
}

#ifdef VYR2DCM_PATH
TEST_F(DicomObjectTest, Vyr2dcmConvertsPicturesForScripts) {
    const fs::path picture = Picture("IMG_20240102_030405.bmp", 40, 30);
    fs::create_directories(out_);
    const std::string tool = std::string(VYR2DCM_PATH) + " --tel ";
    const CommandResult run =
        RunCommand(tool + "555-0100 --name Ana --gender male --age 7 --out " +
                   ShellQuote(out_.string()) + " " + ShellQuote(picture.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const fs::path dcm = out_ / "IMG_20240102_030405.dcm";
    const Validation validation = ValidateWithDciodvfy(dcm);
    EXPECT_EQ(validation.errors, 0) << validation.output;
}
#endif

TEST(DicomValues, PatientFieldsFitTheirRepresentations) {
    const std::pair<const char*, const char*> ages[] = {
        {"34", "034Y"}, {" 7 ", "007Y"}, {"6 m", "006M"}, {"034Y", "034Y"}, {"10w", "010W"},
        {"0", "000Y"},  {"1000", ""},    {"thirty", ""},  {"3.5", ""},      {"12 years", ""}};
    for (const auto& [typed, as] : ages) {
        EXPECT_EQ(AgeValue(typed), as) << typed;
    }
    EXPECT_EQ(PersonNameValue("  Ana\\Maria=Silva\t "), "Ana Maria Silva");
    EXPECT_EQ(PersonNameValue("Silva^Ana"), "Silva^Ana");
    // 40 two-byte letters are cut to 32 (64 bytes), never inside a letter.
    std::string longName;
    for (int i = 0; i < 40; ++i) {
        longName += "é";
    }
    EXPECT_EQ(PersonNameValue(longName).size(), 64u);
    // A GBK name from the old program's table is not UTF-8: it becomes valid UTF-8.
    const std::string fromGbk = PersonNameValue("\xD5\xC5\xC8\xFD");
    EXPECT_FALSE(fromGbk.empty());
    EXPECT_EQ(QString::fromUtf8(fromGbk.data(), static_cast<qsizetype>(fromGbk.size()))
                  .toUtf8()
                  .toStdString(),
              fromGbk);
    EXPECT_EQ(LongStringValue("12\\34"), "12/34");
    EXPECT_EQ(LongStringValue(" +1 555 0100 "), "+1 555 0100");
    EXPECT_EQ(SexValue(kGenderFemale) + SexValue(kGenderMale) + SexValue(7), "FMM");
}

TEST(DicomValues, TimesComeOnlyFromNamesOfTheProgramsForms) {
    // Dates are checked as dates: 2024-02-29 is one, 2025-02-29 is not.
    const std::pair<const char*, const char*> names[] = {
        {"20250203_090507.bmp", "20250203090507"},
        {"IMG_20241231_235959.bmp", "20241231235959"},
        {"20240229_120000.bmp", "20240229120000"},
        {"20250229_120000.bmp", ""},
        {"20250203_125960.bmp", ""},
        {"mark20250203_091000.bmp", ""},
        {"IMG_20250203_0905071.bmp", ""},
        {"00000101_000000.bmp", ""}};
    for (const auto& [name, dateTime] : names) {
        const std::optional<PictureTime> time = TimeFromFileName(name);
        EXPECT_EQ(time ? time->DateTime() : "", dateTime) << name;
    }
}

}  // namespace
}  // namespace vyr::test
