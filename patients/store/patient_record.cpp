// The 156-byte patient record: explicit little-endian encoding, field-wise copies.
#include "patients/store/patient_record.h"

#include <cstring>

#include "patients/store/text_field.h"

namespace vyr {

std::string_view PatientRecord::Name() const {
    return TextFieldValue(name);
}

std::string_view PatientRecord::Age() const {
    return TextFieldValue(age);
}

std::string_view PatientRecord::Tel() const {
    return TextFieldValue(tel);
}

PatientRecord MakePatientRecord(std::string_view name, std::string_view age, std::string_view tel,
                                uint16_t gender) {
    PatientRecord record;
    StoreTextField(record.name, name);
    StoreTextField(record.age, age);
    StoreTextField(record.tel, tel);
    record.gender = gender;
    return record;
}

void CopyPatientFields(const PatientRecord& from, PatientRecord* to) {
    to->inUse = from.inUse;
    StoreTextField(to->name, from.Name());
    StoreTextField(to->age, from.Age());
    StoreTextField(to->tel, from.Tel());
    to->gender = from.gender;
}

void EncodePatientRecord(const PatientRecord& record, uint8_t* out) {
    const auto inUse = static_cast<uint32_t>(record.inUse);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(inUse >> (8 * i));
    }
    std::memcpy(out + kNameOffset, record.name.data(), record.name.size());
    std::memcpy(out + kAgeOffset, record.age.data(), record.age.size());
    std::memcpy(out + kTelOffset, record.tel.data(), record.tel.size());
    out[kGenderOffset] = static_cast<uint8_t>(record.gender);
    out[kGenderOffset + 1] = static_cast<uint8_t>(record.gender >> 8);
}

PatientRecord DecodePatientRecord(const uint8_t* in) {
    PatientRecord record;
    record.inUse = static_cast<int32_t>(uint32_t{in[0]} | uint32_t{in[1]} << 8 |
                                        uint32_t{in[2]} << 16 | uint32_t{in[3]} << 24);
    std::memcpy(record.name.data(), in + kNameOffset, record.name.size());
    std::memcpy(record.age.data(), in + kAgeOffset, record.age.size());
    std::memcpy(record.tel.data(), in + kTelOffset, record.tel.size());
    record.gender = static_cast<uint16_t>(in[kGenderOffset] | in[kGenderOffset + 1] << 8);
    return record;
}

}  // namespace vyr
