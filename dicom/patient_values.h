// The patient's fields as DICOM values. The patient record holds UTF-8 text as typed (or, in a
// table carried over from the Windows program, bytes of another code page); the objects declare
// ISO_IR 192 (UTF-8), so every value is made valid UTF-8 first (invalid bytes become U+FFFD) and
// then fitted to its value representation.
#pragma once

#include <string>
#include <string_view>

#include "patients/store/patient_record.h"

namespace vyr {

// The most bytes we put in a PN component group or an LO value (both allow 64 characters; bytes
// are the stricter reading, so no checker can count too many).
inline constexpr size_t kDicomTextMaxBytes = 64;

struct PatientValues {
    std::string name;  // PN: the whole name as the family-name component
    std::string id;    // LO: the TEL
    std::string sex;   // CS: "F" or "M"
    std::string age;   // AS: "nnnD", "nnnW", "nnnM" or "nnnY"; empty when the age is no age
};

// Patient's Name: control characters removed; '\' (the value separator) and '=' (the component
// group separator) become spaces; '^' is kept, so "Family^Given" typed by a person keeps its
// meaning; surrounding spaces trimmed; cut to 64 bytes at a character boundary.
std::string PersonNameValue(std::string_view text);

// Patient ID (LO): control characters removed, '\' becomes '/', trimmed, cut like the name.
std::string LongStringValue(std::string_view text);

// Patient's Age: a plain number of years ("34", " 7 ") gives "034Y"; a number followed by one of
// D, W, M, Y (either case, optionally after a space: "6 m", "034Y") keeps that unit. Numbers over
// 999 and any other text give "".
std::string AgeValue(std::string_view text);

// Female for gender 0, male for every other value, as the main window shows it.
std::string SexValue(uint16_t gender);

PatientValues PatientValuesOf(const PatientRecord& patient);

}  // namespace vyr
