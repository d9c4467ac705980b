// UUID-derived UIDs: the 16 bytes of the UUID, read as one big-endian number, printed in decimal
// by repeated division by 10 (no 128-bit integer type needed).
#include "dicom/dicom_uids.h"

#include <QByteArray>
#include <QUuid>
#include <algorithm>
#include <array>
#include <cstdint>

namespace vyr {

std::string UidFromUuid(const QUuid& uuid) {
    const QByteArray bytes = uuid.toRfc4122();
    std::array<uint8_t, 16> number{};
    std::copy(bytes.begin(), bytes.end(), number.begin());

    std::string digits;
    bool isZero = false;
    while (!isZero) {
        uint32_t remainder = 0;
        isZero = true;
        for (uint8_t& byte : number) {
            const uint32_t value = (remainder << 8) | byte;
            byte = static_cast<uint8_t>(value / 10);
            remainder = value % 10;
            isZero = isZero && byte == 0;
        }
        digits.push_back(static_cast<char>('0' + remainder));
    }
    std::reverse(digits.begin(), digits.end());
    return "2.25." + digits;
}

std::string NewRandomUid() {
    return UidFromUuid(QUuid::createUuid());
}

std::string StudyUidFor(std::string_view siteKey, std::string_view tel, std::string_view day) {
    // Each part is preceded by its length, so different triples never give the same name.
    QByteArray name;
    for (std::string_view part : {siteKey, tel, day}) {
        name.append(QByteArray::number(static_cast<qulonglong>(part.size())));
        name.append(':');
        name.append(part.data(), static_cast<qsizetype>(part.size()));
    }
    return UidFromUuid(QUuid::createUuidV5(QUuid(kStudyUidNamespace), name));
}

std::string NewSiteKey() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

}  // namespace vyr
