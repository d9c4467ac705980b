// Sending to DCMTK's storescp on 127.0.0.1 as the archive: what it confirms is what it keeps, and
// every failure is named with nothing counted as sent. Addresses outside loopback are refused
// before the toolkit can open a connection.
#include "dicom/archive_sender.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <set>

#include "dicom/dicom_result.h"
#include "platform/net/socket_guard.h"
#include "support/dicom/dicom_oracle.h"
#include "support/dicom/storescp_archive.h"
#include "support/temp_dir.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

class ArchiveSenderTest : public ::testing::Test {
protected:
    ArchiveSenderTest() {
        fs::create_directories(dir_.path() / "jpg");
        for (const char* name : {"20250203_090507.bmp", "mark_20250203_091000.bmp"}) {
            const fs::path file = dir_.path() / "jpg" / name;
            EXPECT_TRUE(PatternPicture(121, 67).save(QString::fromStdString(file.string()), "BMP"));
            pictures_.push_back(file);
        }
    }

    ArchiveSettings SettingsFor(uint16_t port) const {
        return {"127.0.0.1", port, "ARCHIVE", "VYR"};
    }

    BatchReport Send(const ArchiveSettings& settings) {
        const PhotoBatch batch(patient_, pictures_, "site", QDateTime::currentDateTime());
        BatchReport report;
        (void)SendBatch(batch, settings, {}, nullptr, &report);
        return report;
    }

    TempDir dir_;
    PatientRecord patient_ = MakePatientRecord("zevra", "30", "10000", kGenderFemale);
    std::vector<fs::path> pictures_;
};

TEST_F(ArchiveSenderTest, TheArchiveKeepsWhatItConfirmed) {
    StorescpArchive archive(dir_.path() / "archive");
    ASSERT_TRUE(archive.isListening());
    const PhotoBatch batch(patient_, pictures_, "site", QDateTime::currentDateTime());
    std::vector<size_t> progress;
    BatchReport report;
    EXPECT_EQ(SendBatch(
                  batch, SettingsFor(archive.port()),
                  [&](size_t done, size_t total) {
                      EXPECT_EQ(total, 2u);
                      progress.push_back(done);
                  },
                  nullptr, &report),
              kDicomOk);
    EXPECT_EQ(report.DoneCount(), 2u);
    EXPECT_EQ(progress, (std::vector<size_t>{1, 2}));

    const std::vector<fs::path> stored = archive.StoredFiles();
    ASSERT_EQ(stored.size(), 2u);
    std::set<std::string> storedUids;
    for (const fs::path& file : stored) {
        EXPECT_EQ(ValidateWithDciodvfy(file).errors, 0);
        storedUids.insert(DicomDump(file)["0008,0018"]);
        EXPECT_EQ(MeanDifference(DecodeWithDcm2pnm(file), PatternPicture(121, 67)), 0.0);
    }
    EXPECT_EQ(storedUids, (std::set<std::string>{batch.item(0).fields.instanceUid,
                                                 batch.item(1).fields.instanceUid}));
}

TEST_F(ArchiveSenderTest, FailuresAreNamedAndNothingUnconfirmedCountsAsSent) {
    struct Case {
        const char* what;
        std::vector<std::string> archiveOptions;  // empty with isRunning false: nobody listens
        bool isRunning;
        int expected;
    };
    const std::vector<Case> cases = {
        {"nobody listens", {}, false, kDicomConnectionRefused},
        {"association refused", {"--refuse"}, true, kDicomAssociationRejected},
        {"aborted before answering", {"--abort-after"}, true, kDicomNotConfirmed},
        {"aborted while receiving", {"--abort-during"}, true, kDicomNotConfirmed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<StorescpArchive> archive;
        uint16_t port = FreeLoopbackPort();
        if (c.isRunning) {
            archive = std::make_unique<StorescpArchive>(dir_.path() / c.what, c.archiveOptions);
            ASSERT_TRUE(archive->isListening());
            port = archive->port();
        }
        const BatchReport report = Send(SettingsFor(port));
        EXPECT_EQ(report.result, c.expected)
            << DicomResultName(report.result) << " " << report.detail;
        EXPECT_EQ(report.DoneCount(), 0u);
        ASSERT_EQ(report.pictures.size(), 2u);
    }

    // The archive cannot keep what it receives (its folder is gone): it refuses each picture,
    // and each refusal is reported with the archive's status.
    StorescpArchive full(dir_.path() / "full");
    ASSERT_TRUE(full.isListening());
    fs::remove_all(full.folder());
    const BatchReport refused = Send(SettingsFor(full.port()));
    EXPECT_EQ(refused.result, kDicomOk);
    EXPECT_EQ(refused.DoneCount(), 0u);
    for (const PictureOutcome& outcome : refused.pictures) {
        EXPECT_EQ(outcome.result, kDicomPictureRefused);
        EXPECT_NE(outcome.status, 0);
    }
}

TEST_F(ArchiveSenderTest, UnusableSettingsAndAddressesOutsideLoopbackAreRefusedUnsent) {
    const struct {
        ArchiveSettings settings;
        int expected;
    } cases[] = {{{"", 104, "ARCHIVE", "VYR"}, kDicomNoArchive},
                 {{"127.0.0.1", 0, "ARCHIVE", "VYR"}, kDicomNoArchive},
                 {{"127.0.0.1", 104, "", "VYR"}, kDicomNoArchive},
                 {{"127.0.0.1", 104, "ARCHIVE", "SEVENTEEN_LETTERS"}, kDicomNoArchive},
                 {{"127.0.0.1", 104, "ARC\\HIVE", "VYR"}, kDicomNoArchive}};
    for (const auto& c : cases) {
        EXPECT_EQ(Send(c.settings).result, c.expected) << c.settings.host << c.settings.calledAe;
    }
    if (!IsLoopbackOnlyBuild()) {
        GTEST_SKIP() << "this build may reach archives outside loopback";
    }
    // TEST-NET-1 (never routed) and a name, which would need a lookup: both refused unsent.
    for (const char* host : {"192.0.2.7", "archive.example"}) {
        const BatchReport report = Send({host, 104, "ARCHIVE", "VYR"});
        EXPECT_EQ(report.result, kDicomOutsideLoopback) << host;
        EXPECT_EQ(report.DoneCount(), 0u);
    }
}

}  // namespace
}  // namespace vyr::test
