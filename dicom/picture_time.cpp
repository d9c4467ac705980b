// Picture times from names (a hand-written scanner, no regular expression: names come from the
// camera and from the folder, so every index is checked against the name's length) or from the
// file's modification time through QFileInfo, which converts to local time.
#include "dicom/picture_time.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QTime>
#include <cstdio>

namespace vyr {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The value of the count digits at text[at...]; -1 when one of them is missing or not a digit.
int Digits(std::string_view text, size_t at, size_t count) {
    if (at > text.size() || text.size() - at < count) {
        return -1;
    }
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string Format(const char* format, int a, int b, int c) {
    char text[16] = {};
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

std::string PictureTime::Date() const {
    return Format("%04d%02d%02d", year, month, day);
}

std::string PictureTime::Time() const {
    return Format("%02d%02d%02d", hour, minute, second);
}

std::string PictureTime::DateTime() const {
    return Date() + Time();
}

std::optional<PictureTime> TimeFromFileName(std::string_view fileName) {
    size_t at = 0;
    while (at < fileName.size() && IsAsciiLetter(fileName[at])) {
        ++at;
    }
    if (at > 0) {
        if (at >= fileName.size() || fileName[at] != '_') {
            return std::nullopt;
        }
        ++at;
    }
    const int date = Digits(fileName, at, 8);
    if (date < 0 || at + 8 >= fileName.size() || fileName[at + 8] != '_') {
        return std::nullopt;
    }
    const int time = Digits(fileName, at + 9, 6);
    const size_t end = at + 15;
    if (time < 0 || (end < fileName.size() && IsDigit(fileName[end]))) {
        return std::nullopt;
    }
    PictureTime taken;
    taken.year = date / 10000;
    taken.month = date / 100 % 100;
    taken.day = date % 100;
    taken.hour = time / 10000;
    taken.minute = time / 100 % 100;
    taken.second = time % 100;
    taken.isFromName = true;
    if (taken.year < 1 || !QDate::isValid(taken.year, taken.month, taken.day) ||
        !QTime::isValid(taken.hour, taken.minute, taken.second)) {
        return std::nullopt;
    }
    return taken;
}

std::optional<PictureTime> PictureTimeOf(const std::filesystem::path& file) {
    if (std::optional<PictureTime> named = TimeFromFileName(file.filename().string())) {
        return named;
    }
    const QDateTime modified = QFileInfo(QString::fromStdString(file.string())).lastModified();
    if (!modified.isValid()) {
        return std::nullopt;
    }
    const QDate date = modified.date();
    const QTime time = modified.time();
    // DICOM dates have four year digits.
    if (date.year() < 1 || date.year() > 9999) {
        return std::nullopt;
    }
    return PictureTime{date.year(),   date.month(),  date.day(), time.hour(),
                       time.minute(), time.second(), false};
}

}  // namespace vyr
