// One patient, the 156-byte record of usrinfo.bin and of the application's current patient:
// inUse (int32), name (100), age (20), tel (30), gender (uint16), little-endian, no gaps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vyr {

inline constexpr size_t kPatientRecordBytes = 156;
inline constexpr size_t kNameOffset = 4;
inline constexpr size_t kAgeOffset = 104;
inline constexpr size_t kTelOffset = 124;
inline constexpr size_t kGenderOffset = 154;

// Gender choice indices: the sorted choice box lists "Female" before "Male".
inline constexpr uint16_t kGenderFemale = 0;
inline constexpr uint16_t kGenderMale = 1;

struct PatientRecord {
    int32_t inUse = 0;  // 1: the slot holds a patient
    std::array<char, 100> name{};
    std::array<char, 20> age{};  // free text as typed
    std::array<char, 30> tel{};  // the patient's key: names the picture folder
    uint16_t gender = kGenderFemale;

    std::string_view Name() const;
    std::string_view Age() const;
    std::string_view Tel() const;
};

// A zeroed record with the three texts stored as terminated strings, each cut to its field at a
// character boundary, and the gender; inUse stays 0.
PatientRecord MakePatientRecord(std::string_view name, std::string_view age, std::string_view tel,
                                uint16_t gender);

// Copies name, age and tel as terminated strings (bytes behind each terminator in *to stay as they
// were) and inUse and gender as numbers.
void CopyPatientFields(const PatientRecord& from, PatientRecord* to);

void EncodePatientRecord(const PatientRecord& record, uint8_t* out);  // writes 156 bytes
PatientRecord DecodePatientRecord(const uint8_t* in);                 // reads 156 bytes

}  // namespace vyr
