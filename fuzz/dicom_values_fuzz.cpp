// Fuzz target for what the DICOM objects take from outside: picture file names (the camera names
// its uploads) and the patient's fields (usrinfo.bin, possibly from the old program in another
// code page). The same bytes go through the name scanner and through the three value fitters,
// whose results must always be values their representation allows.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dicom/patient_values.h"
#include "dicom/picture_time.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool IsValidUtf8(const std::string& text) {
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return decoded.toUtf8() == QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// PN and LO: valid UTF-8 of at most 64 bytes, no control characters, no value separator, no
// padding at either end.
void CheckText(const std::string& value, bool isName) {
    Check(value.size() <= vyr::kDicomTextMaxBytes);
    Check(IsValidUtf8(value));
    for (unsigned char c : value) {
        Check(c >= 0x20 && c != 0x7F && c != '\\');
        Check(!isName || c != '=');
    }
    Check(value.empty() || (value.front() != ' ' && value.back() != ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size = std::min<size_t>(size, 512);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (const std::optional<vyr::PictureTime> time = vyr::TimeFromFileName(bytes)) {
        Check(time->isFromName);
        Check(time->year >= 1 && time->year <= 9999);
        Check(time->month >= 1 && time->month <= 12 && time->day >= 1 && time->day <= 31);
        Check(time->hour < 24 && time->minute < 60 && time->second < 60);
        const std::string dateTime = time->DateTime();
        Check(dateTime.size() == 14);
        Check(std::all_of(dateTime.begin(), dateTime.end(),
                          [](char c) { return c >= '0' && c <= '9'; }));
    }

    CheckText(vyr::PersonNameValue(bytes), true);
    CheckText(vyr::LongStringValue(bytes), false);

    const std::string age = vyr::AgeValue(bytes);
    Check(age.empty() || age.size() == 4);
    if (!age.empty()) {
        Check(
            std::all_of(age.begin(), age.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }));
        Check(std::string_view("DWMY").find(age[3]) != std::string_view::npos);
    }
    return 0;
}
