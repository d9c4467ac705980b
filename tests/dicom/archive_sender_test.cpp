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

// Two pictures of one patient, sent to an archive on 127.0.0.1 unless told otherwise.
class ArchiveSenderTest : public ::testing::Test {
protected:
    static std::vector<fs::path> Pictures(const fs::path& folder) {
        fs::create_directories(folder);
        std::vector<fs::path> pictures;
        for (const char* name : {"20250203_090507.bmp", "mark_20250203_091000.bmp"}) {
            pictures.push_back(folder / name);
            EXPECT_TRUE(PatternPicture(121, 67).save(
                QString::fromStdString(pictures.back().string()), "BMP"));
        }
        return pictures;
    }
    static ArchiveSettings Local(uint16_t port) { return {"127.0.0.1", port, "ARCHIVE", "VYR"}; }
    BatchReport Send(const ArchiveSettings& settings, const BatchProgress& progress = {}) {
        BatchReport report;
        (void)SendBatch(batch_, settings, progress, nullptr, &report);
        return report;
    }

    TempDir dir_;
    const PhotoBatch batch_{MakePatientRecord("zevra", "30", "10000", kGenderFemale),
                            Pictures(dir_.path() / "jpg"), "site", QDateTime::currentDateTime()};
};

TEST_F(ArchiveSenderTest, TheArchiveKeepsWhatItConfirmed) {
    StorescpArchive archive(dir_.path() / "archive");
    ASSERT_TRUE(archive.isListening());
    std::vector<size_t> progress;
    const BatchReport report = Send(Local(archive.port()), [&](size_t done, size_t total) {
        EXPECT_EQ(total, 2u);
        progress.push_back(done);
    });
    EXPECT_EQ(report.result, kDicomOk);
    EXPECT_EQ(report.DoneCount(), 2u);
    EXPECT_EQ(progress, (std::vector<size_t>{1, 2}));
    std::set<std::string> storedUids;
    for (const fs::path& file : archive.StoredFiles()) {
        EXPECT_EQ(ValidateWithDciodvfy(file).errors, 0);
        storedUids.insert(DicomDump(file)["0008,0018"]);
        EXPECT_TRUE(DecodeWithDcm2pnm(file) == PatternPicture(121, 67));
    }
    EXPECT_EQ(storedUids, (std::set<std::string>{batch_.item(0).fields.instanceUid,
                                                 batch_.item(1).fields.instanceUid}));
}

TEST_F(ArchiveSenderTest, FailuresAreNamedAndNothingUnconfirmedCountsAsSent) {
    const std::pair<const char*, int> cases[] = {{"", kDicomConnectionRefused},  // nobody listens
                                                 {"--refuse", kDicomAssociationRejected},
                                                 {"--abort-after", kDicomNotConfirmed},
                                                 {"--abort-during", kDicomNotConfirmed}};
    for (const auto& [option, expected] : cases) {
        SCOPED_TRACE(option);
        std::unique_ptr<StorescpArchive> archive;
        if (*option != '\0') {
            archive = std::make_unique<StorescpArchive>(dir_.path() / option,
                                                        std::vector<std::string>{option});
            ASSERT_TRUE(archive->isListening());
        }
        const BatchReport report = Send(Local(archive ? archive->port() : FreeLoopbackPort()));
        EXPECT_EQ(report.result, expected)
            << DicomResultName(report.result) << " " << report.detail;
        EXPECT_EQ(report.DoneCount(), 0u);
        EXPECT_EQ(report.pictures.size(), 2u);
    }
    // The archive cannot keep what it receives (its folder is gone): it refuses each picture,
    // and each refusal is reported with the archive's status.
    StorescpArchive full(dir_.path() / "full");
    ASSERT_TRUE(full.isListening());
    fs::remove_all(full.folder());
    const BatchReport refused = Send(Local(full.port()));
    EXPECT_EQ(refused.result, kDicomOk);
    EXPECT_EQ(refused.DoneCount(), 0u);
    for (const PictureOutcome& outcome : refused.pictures) {
        EXPECT_EQ(outcome.result, kDicomPictureRefused);
        EXPECT_NE(outcome.status, 0);
    }
}

TEST_F(ArchiveSenderTest, UnusableSettingsAndAddressesOutsideLoopbackAreRefusedUnsent) {
    for (const ArchiveSettings& settings :
         {ArchiveSettings{"", 104, "ARCHIVE", "VYR"}, Local(0),
          ArchiveSettings{"127.0.0.1", 104, "", "VYR"},
          ArchiveSettings{"127.0.0.1", 104, "ARCHIVE", "SEVENTEEN_LETTERS"},
          ArchiveSettings{"127.0.0.1", 104, "ARC\\HIVE", "VYR"}}) {
        EXPECT_EQ(Send(settings).result, kDicomNoArchive) << settings.port << settings.calledAe;
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
