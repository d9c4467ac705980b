// The patient store where the dialog cannot reach: usrinfo.bin on disk (the exact first-run file,
// unwritable files that never stop the program), damaged or foreign images, the search's
// whole-field rule and the bound of its results, and UTF-8 fields cut between characters. Atomic
// replacement is the settings suite's (one writer for both files) and the full-disk capture's.
#include "patients/store/patient_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "patient_images.h"
#include "patients/store/patient_search.h"
#include "patients/store/text_field.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

bool AllZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

TEST(PatientStoreFile, FirstRunCreatesTheSampleFileByteForByte) {
    TempDir dir;
    PatientStore store(dir.File("usrinfo.bin"));
    EXPECT_EQ(store.LoadOrCreate(), LoadResult::kCreated);
    std::vector<uint8_t> expected(156004, 0);
    expected[0] = 1;  // count
    expected[4] = 1;  // inUse
    std::memcpy(&expected[8], "zevra", 5);
    std::memcpy(&expected[108], "30", 2);
    std::memcpy(&expected[128], "10000", 5);
    expected[158] = 1;  // male
    EXPECT_EQ(ReadFileBytes(dir.File("usrinfo.bin")), expected);
}

TEST(PatientStoreFile, UnwritableFilesAndFoldersAreShownAndNeverStopTheStore) {
    TempDir dir;
    const std::string path = dir.File("usrinfo.bin");
    WriteImage(path, TableWithPatients(3));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const auto before = ReadFileBytes(path);
    PatientStore readOnly(path);
    ASSERT_EQ(readOnly.LoadOrCreate(), LoadResult::kLoaded);
    EXPECT_EQ(readOnly.Count(), 3);
    EXPECT_EQ(readOnly.Add(MakePatientRecord("x", "1", "2", 0)), AddResult::kAdded);
    EXPECT_EQ(readOnly.SaveAll(), -1);
    EXPECT_EQ(ReadFileBytes(path), before);

    PatientStore nowhere(dir.path() / "missing-folder" / "usrinfo.bin");
    EXPECT_EQ(nowhere.LoadOrCreate(), LoadResult::kCreated);
    EXPECT_EQ(nowhere.Add(MakePatientRecord("x", "1", "2", 0)), AddResult::kAdded);
    EXPECT_EQ(nowhere.Count(), 2);
    EXPECT_EQ(nowhere.SaveAll(), -1);
}

size_t SlotOffset(int slot) {
    return 4 + kPatientRecordBytes * static_cast<size_t>(slot);
}

// An image with the given stored count and every slot marked in use, named A, B, C ...
PatientTable Foreign(int32_t count) {
    std::vector<uint8_t> image(kPatientImageBytes, 0);
    std::memcpy(image.data(), &count, 4);
    for (int slot = 0; slot < kPatientSlots; ++slot) {
        image[SlotOffset(slot)] = 1;
        image[SlotOffset(slot) + kNameOffset] = static_cast<uint8_t>('A' + slot % 26);
    }
    PatientTable table;
    table.LoadImage(image);
    return table;
}

TEST(PatientTable, StoredCountsOutsideTheSlotsAreClamped) {
    EXPECT_EQ(Foreign(-5).Count(), 0);
    EXPECT_EQ(Foreign(INT32_MIN).Count(), 0);
    PatientTable huge = Foreign(5000);
    EXPECT_EQ(huge.Count(), 1000);
    EXPECT_EQ(SearchPatients(huge, "A", "none").rows.size(), 39u);
    // A short image fills only the start; the rest keeps what the table held.
    PatientTable table = TableWithPatients(2);
    const uint8_t shortFile[] = {1, 0, 0, 0};
    table.LoadImage(shortFile);
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.Slot(1).Name(), "p1");
}

TEST(PatientTable, RemovingFromAFullTableTreatsTheSlotAfterTheLastAsEmpty) {
    PatientTable table = Foreign(1000);
    ASSERT_EQ(table.Remove(0), 0);
    EXPECT_EQ(table.Count(), 999);
    EXPECT_EQ(table.Slot(998).Name(), "L");  // slot 999 ('A' + 999 % 26) moved up
    EXPECT_TRUE(AllZero(table.Image().subspan(SlotOffset(999))));
    // Down to the last patient: the image is all zero again, at full size.
    PatientTable one = TableWithPatients(1);
    ASSERT_EQ(one.Remove(0), 0);
    EXPECT_EQ(one.Image().size(), kPatientImageBytes);
    EXPECT_TRUE(AllZero(one.Image()));
}

TEST(PatientTable, NothingChangesWithoutAFreeSlotOrAListedRow) {
    PatientTable full = Foreign(5);
    const std::vector<uint8_t> before(full.Image().begin(), full.Image().end());
    const auto record = MakePatientRecord("x", "1", "2", 0);
    EXPECT_EQ(full.Add(record), AddResult::kNoFreeSlot);
    for (int index : {-1, 5, 999, 1000, 5000}) {
        EXPECT_EQ(full.Update(index, record), -1) << index;
        EXPECT_EQ(full.Remove(index), -1) << index;
    }
    EXPECT_TRUE(std::equal(before.begin(), before.end(), full.Image().begin()));
}

TEST(PatientSearch, KeysMatchWholeFieldsEmptyOnlyEmptyAndResultsStopAtTheTableSize) {
    PatientTable table;
    (void)table.Add(MakePatientRecord("anna", "1", "777", 0));
    (void)table.Add(MakePatientRecord("", "9", "999", 1));
    EXPECT_EQ(SearchPatients(table, "", "").storeSlots, std::vector<int>{1});
    for (const char* name : {"ann", "ANNA", "anna "}) {
        EXPECT_TRUE(SearchPatients(table, name, "77").rows.empty()) << name;
    }
    PatientTable same;
    for (int i = 0; i < 991; ++i) {
        ASSERT_EQ(same.Add(MakePatientRecord("same", "1", "same", 0)), AddResult::kAdded);
    }
    // Each patient matches twice: 1982 matches, of which the first 1000 are kept.
    const auto results = SearchPatients(same, "same", "same");
    EXPECT_EQ(results.rows.size(), 1000u);
    EXPECT_EQ(results.storeSlots.size(), 1000u);
    EXPECT_EQ(results.storeSlots.back(), 499);
}

TEST(TextField, CutsOnlyBetweenCharactersAndValuesStopAtTheTerminatorOrTheFieldEnd) {
    EXPECT_EQ(CutAtCharBoundary("x😀", 4), "x");  // a four-byte character
    EXPECT_EQ(CutAtCharBoundary("中文", 2), "");
    std::array<char, 6> field = {'a', 'b', '\0', 'x', 'y', 'z'};
    EXPECT_EQ(TextFieldValue(field), "ab");
    std::array<char, 4> unterminated = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(TextFieldValue(unterminated), "wxyz");
    // Stored from the unterminated value, it is cut to leave room for the terminator.
    StoreTextField(unterminated, TextFieldValue(unterminated));
    EXPECT_EQ(TextFieldValue(unterminated), "wxy");
    // A key is cut the same way before it is compared, so a cut value is still found by it.
    EXPECT_TRUE(TextFieldEquals(unterminated, "wxyz"));
    EXPECT_FALSE(TextFieldEquals(unterminated, "wx"));
}

}  // namespace
}  // namespace vyr::test
