// Our VL Photographic Image objects as outside programs read them: dciodvfy finds no error,
// dcmdump shows the patient, the times and the picture's size, dcm2pnm decodes the very pixels of
// the picture. Also studies and series across batches, pictures that cannot be exported, and
// vyr2dcm.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <fstream>
#include <set>

#include "dicom/dicom_result.h"
#include "dicom/photo_batch.h"
#include "dicom/photo_export.h"
#include "support/dicom/dicom_oracle.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

constexpr char kVlPhotographic[] = "1.2.840.10008.5.1.4.1.1.77.1.4";

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
    PatientRecord patient_ = MakePatientRecord("张三^Zevra", " 34 ", "10000", kGenderFemale);
};

TEST_F(DicomObjectTest, ObjectsPassTheValidatorAndCarryThePatientTimesAndPixels) {
    // A picture of no name-given time gets its modification time, read here as local time.
    const fs::path other = Picture("scan.png", 64, 48, "PNG");
    const QDateTime modified(QDate(2023, 7, 9), QTime(8, 7, 6));
    QFile file(QString::fromStdString(other.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();

    struct Case {
        fs::path picture;
        QSize size;
        std::string acquired;
        bool isDerived;
    };
    // Odd widths make rows that are not a multiple of four bytes long.
    const std::vector<Case> cases = {
        {Picture("20250203_090507.bmp", 301, 199), {301, 199}, "20250203090507", false},
        {Picture("IMG_20241231_235959.bmp", 160, 90), {160, 90}, "20241231235959", false},
        {Picture("mark_20250203_091000.bmp", 97, 61), {97, 61}, "20250203091000", true},
        {other, {64, 48}, "20230709080706", false},
    };
    std::vector<fs::path> pictures;
    for (const Case& c : cases) {
        pictures.push_back(c.picture);
    }
    const PhotoBatch batch(patient_, pictures, "site", kNow);
    const fs::path out = dir_.path() / "out";
    fs::create_directories(out);
    BatchReport report;
    ASSERT_EQ(ExportBatch(batch, out, {}, nullptr, &report), kDicomOk);
    ASSERT_EQ(report.DoneCount(), cases.size());

    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const fs::path dcm = report.pictures[i].written;
        SCOPED_TRACE(dcm.string());
        EXPECT_EQ(dcm, out / (c.picture.stem().string() + ".dcm"));
        const Validation validation = ValidateWithDciodvfy(dcm);
        EXPECT_EQ(validation.errors, 0) << validation.output;
        std::cout << "dciodvfy warnings for " << dcm.filename() << ":\n" << validation.warnings;
        const DicomDump dump(dcm);

        EXPECT_EQ(dump["0008,0016"], kVlPhotographic);
        EXPECT_EQ(dump["0008,0060"], "XC");
        EXPECT_EQ(dump["0008,0005"], "ISO_IR 192");
        EXPECT_EQ(dump["0010,0010"], "张三^Zevra");
        EXPECT_EQ(dump["0010,0020"], "10000");
        EXPECT_EQ(dump["0010,0040"], "F");
        EXPECT_EQ(dump["0010,1010"], "034Y");
        EXPECT_EQ(dump["0028,0010"], std::to_string(c.size.height()));
        EXPECT_EQ(dump["0028,0011"], std::to_string(c.size.width()));
        EXPECT_EQ(dump["0008,002a"], c.acquired);
        EXPECT_EQ(dump["0008,0020"], c.acquired.substr(0, 8));
        EXPECT_EQ(dump["0002,0010"], "1.2.840.10008.1.2.1");  // explicit VR little endian
        EXPECT_EQ(dump["0008,0008"], c.isDerived ? "DERIVED\\SECONDARY" : "ORIGINAL\\PRIMARY");
        EXPECT_EQ(dump["0008,2111"] == "(missing)", !c.isDerived);
        EXPECT_EQ(dump["0008,0070"], kDicomManufacturer);
        EXPECT_EQ(dump["0018,1020"], kDicomSoftwareVersion);

        // Lossless: the decoded pixels are exactly the picture's own.
        const QImage decoded = DecodeWithDcm2pnm(dcm);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(MeanDifference(decoded, PatternPicture(c.size.width(), c.size.height())), 0.0);
    }
}

TEST_F(DicomObjectTest, AStudyPerPatientAndDayAndASeriesPerStudyInEachBatch) {
    const fs::path day1a = Picture("20250203_090000.bmp", 8, 8);
    const fs::path day1b = Picture("mark_20250203_091500.bmp", 8, 8);
    const fs::path day2 = Picture("20250204_080000.bmp", 8, 8);
    const PhotoBatch first(patient_, {day1a, day2, day1b}, "site", kNow);
    const PhotoBatch second(patient_, {day1b}, "site", kNow.addSecs(60));
    const PatientRecord other = MakePatientRecord("zevra", "30", "10001", kGenderMale);
    const PhotoBatch otherPatient(other, {day1a}, "site", kNow);
    const PhotoBatch otherSite(patient_, {day1a}, "another site", kNow);

    const auto& a = first.item(0).fields;
    const auto& b = first.item(1).fields;
    const auto& c = first.item(2).fields;
    EXPECT_EQ(a.studyUid, c.studyUid);
    EXPECT_EQ(a.seriesUid, c.seriesUid);
    EXPECT_NE(a.studyUid, b.studyUid);
    EXPECT_NE(a.seriesUid, b.seriesUid);
    EXPECT_EQ(a.instanceNumber, 1);
    EXPECT_EQ(c.instanceNumber, 2);
    EXPECT_EQ(b.instanceNumber, 1);
    EXPECT_EQ(a.seriesNumber, 103015);
    // The same patient and day in a later batch: the same study, a new series.
    EXPECT_EQ(second.item(0).fields.studyUid, a.studyUid);
    EXPECT_NE(second.item(0).fields.seriesUid, a.seriesUid);
    EXPECT_NE(otherPatient.item(0).fields.studyUid, a.studyUid);
    EXPECT_NE(otherSite.item(0).fields.studyUid, a.studyUid);

    std::set<std::string> uids;
    for (const PhotoBatch* batch : {&first, &second}) {
        for (size_t i = 0; i < batch->size(); ++i) {
            const auto& fields = batch->item(i).fields;
            for (const std::string& uid : {fields.studyUid, fields.seriesUid, fields.instanceUid}) {
                EXPECT_EQ(uid.rfind("2.25.", 0), 0u) << uid;
                EXPECT_LE(uid.size(), 64u) << uid;
                EXPECT_EQ(uid.find_first_not_of("0123456789.", 0), std::string::npos) << uid;
            }
            EXPECT_TRUE(uids.insert(fields.instanceUid).second);
        }
    }
}

TEST_F(DicomObjectTest, PicturesThatCannotBeReadAreReportedAndTheOthersWritten) {
    const fs::path good = Picture("20250203_090507.bmp", 32, 16);
    const fs::path sameStem = Picture("20250203_090507.png", 32, 16, "PNG");
    const fs::path text = dir_.path() / "jpg" / "20250203_100000.bmp";
    std::ofstream(text) << "not a picture";
    // A BMP header that claims 70000 x 10 pixels: refused before any pixel is decoded.
    const fs::path huge = dir_.path() / "jpg" / "huge.bmp";
    {
        std::ofstream bmp(huge, std::ios::binary);
        const uint8_t header[54] = {'B', 'M', 0, 0,    0,    0,    0, 0,  0, 0, 54, 0, 0, 0,  40,
                                    0,   0,   0, 0x70, 0x11, 0x01, 0, 10, 0, 0, 0,  1, 0, 24, 0};
        bmp.write(reinterpret_cast<const char*>(header), sizeof header);
    }
    const fs::path gone = dir_.path() / "jpg" / "20250203_110000.bmp";

    const PhotoBatch batch(patient_, {text, good, huge, gone, sameStem}, "site", kNow);
    const fs::path out = dir_.path() / "out";
    fs::create_directories(out);
    BatchReport report;
    EXPECT_EQ(ExportBatch(batch, out, {}, nullptr, &report), kDicomOk);
    ASSERT_EQ(report.pictures.size(), 5u);
    EXPECT_EQ(report.pictures[0].result, kDicomNotAPicture);
    EXPECT_EQ(report.pictures[1].result, kDicomOk);
    EXPECT_EQ(report.pictures[2].result, kDicomPictureTooLarge);
    EXPECT_EQ(report.pictures[3].result, kDicomNotAPicture);
    EXPECT_EQ(report.pictures[4].result, kDicomOk);
    EXPECT_EQ(report.pictures[4].written.filename(), "20250203_090507_2.dcm");
    std::set<fs::path> written;
    for (const auto& entry : fs::directory_iterator(out)) {
        written.insert(entry.path().filename());
    }
    EXPECT_EQ(written, (std::set<fs::path>{"20250203_090507.dcm", "20250203_090507_2.dcm"}));

    // A folder that does not exist: nothing is written and nothing counts as exported.
    EXPECT_EQ(ExportBatch(batch, dir_.path() / "missing", {}, nullptr, &report), kDicomWriteFailed);
    EXPECT_EQ(report.DoneCount(), 0u);

    // A cancel before the batch starts leaves every picture unexported.
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(ExportBatch(batch, out, {}, &cancel, &report), kDicomCancelled);
    EXPECT_EQ(report.DoneCount(), 0u);
}

#ifdef VYR2DCM_PATH
TEST_F(DicomObjectTest, Vyr2dcmConvertsPicturesForScripts) {
    const fs::path picture = Picture("IMG_20240102_030405.bmp", 40, 30);
    const fs::path out = dir_.path() / "out";
    fs::create_directories(out);
    const std::string tool = VYR2DCM_PATH;
    const CommandResult run =
        RunCommand(tool + " --tel 555-0100 --name Ana --gender male --age 7 --out " +
                   ShellQuote(out.string()) + " " + ShellQuote(picture.string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const fs::path dcm = out / "IMG_20240102_030405.dcm";
    EXPECT_EQ(ValidateWithDciodvfy(dcm).errors, 0);
    const DicomDump dump(dcm);
    EXPECT_EQ(dump["0010,0020"], "555-0100");
    EXPECT_EQ(dump["0010,0040"], "M");
    EXPECT_EQ(dump["0010,1010"], "007Y");
    EXPECT_EQ(dump["0008,002a"], "20240102030405");

    EXPECT_EQ(RunCommand(tool + " --tel 1 " + ShellQuote(picture.string()) + " 2>&1").exitCode, 2);
    EXPECT_EQ(RunCommand(tool + " --tel 1 --gender female --out " + ShellQuote(out.string()) +
                         " /nonexistent.bmp")
                  .exitCode,
              1);
}
#endif

}  // namespace
}  // namespace vyr::test
