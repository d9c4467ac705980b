// The usrinfo.bin image in memory where the dialog cannot reach: damaged counts, a full table,
// foreign files without a free slot, and rows that are not listed.
#include "patients/store/patient_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "patient_images.h"
#include "patients/store/patient_search.h"

namespace {

using vyr::PatientTable;

std::vector<uint8_t> ImageOf(const PatientTable& table) {
    return {table.Image().begin(), table.Image().end()};
}

size_t SlotOffset(int slot) {
    return 4 + vyr::kPatientRecordBytes * static_cast<size_t>(slot);
}

// An image with the given stored count and every slot marked in use, named A, B, C ...
PatientTable Foreign(int32_t count) {
    std::vector<uint8_t> image(vyr::kPatientImageBytes, 0);
    std::memcpy(image.data(), &count, 4);
    for (int slot = 0; slot < vyr::kPatientSlots; ++slot) {
        image[SlotOffset(slot)] = 1;
        image[SlotOffset(slot) + vyr::kNameOffset] = static_cast<uint8_t>('A' + slot % 26);
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
    EXPECT_EQ(vyr::SearchPatients(huge, "A", "none").rows.size(), 39u);
    // A short image fills only the start; the rest keeps what the table held.
    PatientTable table = vyr::test::TableWithPatients(2);
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
    const auto image = ImageOf(table);
    EXPECT_TRUE(std::all_of(image.begin() + static_cast<std::ptrdiff_t>(SlotOffset(999)),
                            image.end(), [](uint8_t b) { return b == 0; }));
    // Down to the last patient: the image is all zero again, at full size.
    PatientTable one = vyr::test::TableWithPatients(1);
    ASSERT_EQ(one.Remove(0), 0);
    const auto empty = ImageOf(one);
    EXPECT_EQ(empty.size(), vyr::kPatientImageBytes);
    EXPECT_TRUE(std::all_of(empty.begin(), empty.end(), [](uint8_t b) { return b == 0; }));
}

TEST(PatientTable, NothingChangesWithoutAFreeSlotOrAListedRow) {
    PatientTable full = Foreign(5);
    const auto before = ImageOf(full);
    const auto record = vyr::MakePatientRecord("x", "1", "2", 0);
    EXPECT_EQ(full.Add(record), vyr::AddResult::kNoFreeSlot);
    for (int index : {-1, 5, 999, 1000, 5000}) {
        EXPECT_EQ(full.Update(index, record), -1) << index;
        EXPECT_EQ(full.Remove(index), -1) << index;
    }
    EXPECT_EQ(ImageOf(full), before);
}

}  // namespace
