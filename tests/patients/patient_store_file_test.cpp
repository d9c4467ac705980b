// usrinfo.bin on disk: the exact first-run file, atomic replacement (a crash between writing and
// renaming keeps the previous table), and unwritable files that never stop the program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "patient_images.h"
#include "patients/store/patient_store.h"
#include "platform/atomic_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

using vyr::LoadResult;
using vyr::PatientStore;
using vyr::test::ReadFileBytes;
using vyr::test::TempDir;

size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

TEST(PatientStoreFile, FirstRunCreatesTheSampleFileByteForByte) {
    TempDir dir;
    PatientStore store(dir.File("usrinfo.bin"));
    EXPECT_EQ(store.LoadOrCreate(), LoadResult::kCreated);
    auto bytes = ReadFileBytes(dir.File("usrinfo.bin"));
    ASSERT_EQ(bytes.size(), 156004u);
    const auto text = [&bytes](size_t offset, size_t n) {
        return std::string(reinterpret_cast<const char*>(&bytes[offset]), n);
    };
    EXPECT_EQ(vyr::test::U32At(bytes, 0), 1u);  // count
    EXPECT_EQ(vyr::test::U32At(bytes, 4), 1u);  // inUse
    EXPECT_EQ(text(8, 6), std::string("zevra\0", 6));
    EXPECT_EQ(text(108, 3), std::string("30\0", 3));
    EXPECT_EQ(text(128, 6), std::string("10000\0", 6));
    EXPECT_EQ(vyr::test::U16At(bytes, 158), 1u);  // male
    // Every other byte is zero.
    for (size_t offset : {0, 4, 158}) {
        bytes[offset] = 0;
    }
    std::fill_n(bytes.begin() + 8, 5, 0);
    std::fill_n(bytes.begin() + 108, 2, 0);
    std::fill_n(bytes.begin() + 128, 5, 0);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(PatientStoreFile, ACrashBetweenWriteAndRenameKeepsThePreviousTable) {
    TempDir dir;
    const std::string path = dir.File("usrinfo.bin");
    vyr::test::WriteImage(path, vyr::test::TableWithPatients(4));
    const auto before = ReadFileBytes(path);
    PatientStore store(path);
    ASSERT_EQ(store.LoadOrCreate(), LoadResult::kLoaded);
    static uintmax_t temporarySize = 0;
    vyr::SetBeforeRenameHookForTest([](const std::filesystem::path& temporary) {
        temporarySize = std::filesystem::file_size(temporary);
        return false;  // the process dies here
    });
    EXPECT_EQ(store.Add(vyr::MakePatientRecord("x", "1", "2", 0)), vyr::AddResult::kAdded);
    EXPECT_EQ(store.Remove(0), 0);
    vyr::SetBeforeRenameHookForTest(nullptr);
    EXPECT_EQ(temporarySize, 156004u);  // the new table was complete on disk
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
    ASSERT_EQ(store.LoadOrCreate(), LoadResult::kLoaded);
    EXPECT_EQ(store.Count(), 4);
    // Without the fault the next change lands, still as one whole image.
    ASSERT_EQ(store.Remove(0), 0);
    EXPECT_EQ(vyr::test::U32At(ReadFileBytes(path), 0), 3u);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(PatientStoreFile, AReadOnlyFileIsShownAndNeverWritten) {
    TempDir dir;
    const std::string path = dir.File("usrinfo.bin");
    vyr::test::WriteImage(path, vyr::test::TableWithPatients(3));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const auto before = ReadFileBytes(path);
    PatientStore store(path);
    ASSERT_EQ(store.LoadOrCreate(), LoadResult::kLoaded);
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(store.Add(vyr::MakePatientRecord("x", "1", "2", 0)), vyr::AddResult::kAdded);
    EXPECT_EQ(store.SaveAll(), -1);
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(PatientStoreFile, AnUnwritableFolderNeverStopsTheStore) {
    TempDir dir;
    PatientStore store(dir.path() / "missing-folder" / "usrinfo.bin");
    EXPECT_EQ(store.LoadOrCreate(), LoadResult::kCreated);
    EXPECT_EQ(store.Add(vyr::MakePatientRecord("x", "1", "2", 0)), vyr::AddResult::kAdded);
    EXPECT_EQ(store.Count(), 2);
    EXPECT_EQ(store.SaveAll(), -1);
}

}  // namespace
