// Operations on the usrinfo.bin image. Text fields are written in place in the image, so that an
// update leaves the old bytes behind the new terminator as the file format has always had them.
#include "patients/store/patient_table.h"

#include <algorithm>
#include <cstring>

#include "patients/store/text_field.h"

namespace vyr {
namespace {

int32_t GetI32(const uint8_t* in) {
    return static_cast<int32_t>(uint32_t{in[0]} | uint32_t{in[1]} << 8 | uint32_t{in[2]} << 16 |
                                uint32_t{in[3]} << 24);
}

void PutI32(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
}

std::span<char> FieldOf(uint8_t* slot, size_t offset, size_t width) {
    return {reinterpret_cast<char*>(slot + offset), width};
}

// Writes the record's texts up to their terminators, its gender and inUse 1 into a slot.
void WritePatient(const PatientRecord& record, uint8_t* slot) {
    StoreTextField(FieldOf(slot, kNameOffset, record.name.size()), record.Name());
    StoreTextField(FieldOf(slot, kAgeOffset, record.age.size()), record.Age());
    StoreTextField(FieldOf(slot, kTelOffset, record.tel.size()), record.Tel());
    slot[kGenderOffset] = static_cast<uint8_t>(record.gender);
    slot[kGenderOffset + 1] = static_cast<uint8_t>(record.gender >> 8);
    PutI32(slot, 1);
}

}  // namespace

PatientTable::PatientTable() : image_(kPatientImageBytes, 0) {}

void PatientTable::LoadImage(std::span<const uint8_t> bytes) {
    const size_t size = std::min(bytes.size(), image_.size());
    if (size > 0) {
        std::memcpy(image_.data(), bytes.data(), size);
    }
    SetCount(std::clamp(GetI32(image_.data()), 0, kPatientSlots));
}

void PatientTable::ResetToSample() {
    std::fill(image_.begin(), image_.end(), 0);
    PatientRecord sample = MakePatientRecord("zevra", "30", "10000", kGenderMale);
    sample.inUse = 1;
    EncodePatientRecord(sample, SlotBytes(0));
    SetCount(1);
}

int PatientTable::Count() const {
    return GetI32(image_.data());
}

PatientRecord PatientTable::Slot(int index) const {
    if (index < 0 || index >= kPatientSlots) {
        return {};
    }
    return DecodePatientRecord(SlotBytes(index));
}

AddResult PatientTable::Add(const PatientRecord& record) {
    const int count = Count();
    if (count > kAddLimit) {
        return AddResult::kLimitReached;
    }
    for (int slot = 0; slot < kPatientSlots; ++slot) {
        if (GetI32(SlotBytes(slot)) != 0) {
            continue;
        }
        uint8_t* bytes = SlotBytes(slot);
        WritePatient(record, bytes);
        SetCount(count + 1);
        return AddResult::kAdded;
    }
    return AddResult::kNoFreeSlot;
}

int PatientTable::Update(int index, const PatientRecord& record) {
    if (index < 0 || index >= Count()) {
        return -1;
    }
    uint8_t* bytes = SlotBytes(index);
    WritePatient(record, bytes);
    return 0;
}

int PatientTable::Remove(int index) {
    const int count = Count();
    if (index < 0 || index >= count) {
        return -1;
    }
    // Move the later slots up; the last listed slot then holds a copy of its successor and is
    // zeroed, which also covers a full table (count 1000) whose last slot has no successor.
    std::memmove(SlotBytes(index), SlotBytes(index + 1),
                 kPatientRecordBytes * static_cast<size_t>(count - 1 - index));
    std::memset(SlotBytes(count - 1), 0, kPatientRecordBytes);
    SetCount(count - 1);
    return 0;
}

void PatientTable::SetCount(int32_t count) {
    PutI32(image_.data(), count);
}

}  // namespace vyr
