// The patient table in memory: the exact 156004-byte image of usrinfo.bin, a signed 32-bit count
// followed by 1000 slots of 156 bytes. Patients occupy slots 0 .. count - 1 in display order; every
// later slot is all zero. No file access here (PatientStore adds it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "patients/store/patient_record.h"

namespace vyr {

inline constexpr int kPatientSlots = 1000;
// Adding is refused once the count exceeds this, so at most 991 patients can be added.
inline constexpr int kAddLimit = 990;
inline constexpr size_t kPatientImageBytes = 4 + kPatientRecordBytes * kPatientSlots;  // 156004

enum class AddResult {
    kAdded,
    kLimitReached,  // count > kAddLimit; the caller shows "only support 1000 users!"
    kNoFreeSlot,    // every slot is in use (a file this program did not fill); silently refused
};

class PatientTable {
public:
    PatientTable();  // all zero: no patients

    // Copies bytes (at most the image's size) over the start of the image; a short input leaves
    // the rest of the image as it was. A stored count outside 0 .. 1000 is then clamped into that
    // range, so no listing, search or removal can reach past the last slot.
    void LoadImage(std::span<const uint8_t> bytes);
    // Zeroes the image and puts the sample patient (zevra, 30, 10000, male) into slot 0, count 1.
    void ResetToSample();

    std::span<const uint8_t> Image() const { return image_; }
    int Count() const;
    // The record in slot index; a zero record for an index outside 0 .. 999.
    PatientRecord Slot(int index) const;

    // Appends the record's name, age, tel and gender in the first slot whose inUse is 0 and counts
    // it; the record's own inUse is ignored.
    AddResult Add(const PatientRecord& record);
    // Overwrites slot index with the record's texts (only up to each terminator: the old bytes
    // behind it stay) and gender, inUse := 1. Returns 0, or -1 when index is not a listed row
    // (outside 0 .. count - 1), which changes nothing.
    int Update(int index, const PatientRecord& record);
    // Deletes slot index and moves the later patients up one slot; the freed slot at the end is
    // zeroed. Returns 0, or -1 when index is not a listed row, which changes nothing.
    int Remove(int index);

private:
    uint8_t* SlotBytes(int index) { return image_.data() + 4 + kPatientRecordBytes * index; }
    const uint8_t* SlotBytes(int index) const {
        return image_.data() + 4 + kPatientRecordBytes * index;
    }
    void SetCount(int32_t count);

    std::vector<uint8_t> image_;
};

}  // namespace vyr
