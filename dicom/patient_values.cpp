// Text fitting for PN, LO, AS and CS. Work is done on the text decoded by QString::fromUtf8, so
// cutting happens between characters and never splits a UTF-8 sequence.
#include "dicom/patient_values.h"

#include <QString>
#include <cstdio>

namespace vyr {
namespace {

// Decodes (invalid bytes become U+FFFD), drops control characters and maps the listed characters.
QString Cleaned(std::string_view text, QChar backslashTo, QChar equalsTo) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString cleaned;
    cleaned.reserve(decoded.size());
    for (QChar c : decoded) {
        const char16_t code = c.unicode();
        if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) {
            continue;
        }
        if (c == u'\\') {
            c = backslashTo;
        } else if (c == u'=') {
            c = equalsTo;
        }
        cleaned.append(c);
    }
    return cleaned.trimmed();
}

// The longest prefix of whole characters (surrogate pairs kept together) within maxBytes.
std::string CutToBytes(const QString& text, size_t maxBytes) {
    std::string out;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype length = 1;
        if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            length = 2;
        }
        const QByteArray bytes = text.mid(at, length).toUtf8();
        if (out.size() + static_cast<size_t>(bytes.size()) > maxBytes) {
            break;
        }
        out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        at += length;
    }
    // A cut may leave a trailing space, which is padding in DICOM text.
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

}  // namespace

std::string PersonNameValue(std::string_view text) {
    return CutToBytes(Cleaned(text, u' ', u' '), kDicomTextMaxBytes);
}

std::string LongStringValue(std::string_view text) {
    return CutToBytes(Cleaned(text, u'/', u'='), kDicomTextMaxBytes);
}

std::string AgeValue(std::string_view text) {
    const QString age =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed().toUpper();
    qsizetype digits = 0;
    while (digits < age.size() && age[digits] >= u'0' && age[digits] <= u'9') {
        ++digits;
    }
    if (digits == 0 || digits > 3) {
        return {};
    }
    char unit = 'Y';
    const QString rest = age.mid(digits).trimmed();
    if (rest.size() == 1 && QStringLiteral("DWMY").contains(rest[0])) {
        unit = static_cast<char>(rest[0].unicode());
    } else if (!rest.isEmpty()) {
        return {};
    }
    const int number = age.left(digits).toInt();
    char value[8] = {};
    std::snprintf(value, sizeof value, "%03d%c", number, unit);
    return value;
}

std::string SexValue(uint16_t gender) {
    return gender == kGenderFemale ? "F" : "M";
}

PatientValues PatientValuesOf(const PatientRecord& patient) {
    return {PersonNameValue(patient.Name()), LongStringValue(patient.Tel()),
            SexValue(patient.gender), AgeValue(patient.Age())};
}

}  // namespace vyr
