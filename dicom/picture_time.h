// When a picture was taken. The program names its pictures after the local time they were made:
// snapshots YYYYMMDD_hhmmss.bmp, pictures uploaded by the camera IMG_YYYYMMDD_hhmmss.bmp (the
// camera's own name cut to 19 characters) and annotated pictures mark_YYYYMMDD_hhmmss.bmp. A name
// of that form gives the time; any other picture gets its file's modification time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vyr {

struct PictureTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool isFromName = false;  // false: the file's modification time

    std::string Date() const;      // DICOM DA, "YYYYMMDD"
    std::string Time() const;      // DICOM TM, "hhmmss"
    std::string DateTime() const;  // DICOM DT, "YYYYMMDDhhmmss"
};

// The time in a file name: an optional prefix of ASCII letters and one '_', then 8 digits, '_',
// 6 digits, then the end of the name or a character that is not a digit. The date and the time
// must exist on the calendar and the clock (no 31 February, no second 60). Nothing otherwise.
std::optional<PictureTime> TimeFromFileName(std::string_view fileName);

// The time in the file's name, else its modification time in local time; nullopt when neither is
// known (the file is gone and its name carries no time).
std::optional<PictureTime> PictureTimeOf(const std::filesystem::path& file);

}  // namespace vyr
