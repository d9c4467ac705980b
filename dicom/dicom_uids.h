// The UIDs of our objects. We have no registered UID root of our own, so every UID is
// UUID-derived, under the root 2.25 that ISO/IEC 9834-8 (ITU-T X.667) gives to UUIDs and the DICOM
// standard allows for this case (PS3.5 B.2): "2.25." followed by the UUID's 128 bits as one
// decimal number, at most 44 characters, well inside the 64 a UID may have.
//
// - SOP Instance UIDs and Series Instance UIDs: random (version 4) UUIDs, a new one per object and
//   per series.
// - Study Instance UIDs: name-based (version 5, SHA-1) UUIDs of this installation's site key, the
//   patient's TEL and the day, in the namespace kStudyUidNamespace below. The same patient on the
//   same day therefore lands in the same study in every export from this installation, and the
//   site key (random, kept in dicom.ini) keeps two practices with the same TEL apart.
#pragma once

#include <string>
#include <string_view>

class QUuid;

namespace vyr {

// The namespace of our study UUIDs, chosen once at random; never change it, or studies split.
inline constexpr char kStudyUidNamespace[] = "811b5b5a-8ff4-4804-86b9-353579c2f9a5";

// "2.25." and the UUID as an unsigned decimal number without leading zeros.
std::string UidFromUuid(const QUuid& uuid);

// A fresh random UID.
std::string NewRandomUid();

// The study UID of a patient (TEL) on a day ("YYYYMMDD") for this site key.
std::string StudyUidFor(std::string_view siteKey, std::string_view tel, std::string_view day);

// A fresh site key: a random UUID in its text form.
std::string NewSiteKey();

}  // namespace vyr
