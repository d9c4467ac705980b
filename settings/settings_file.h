// language.ini: all settings of the program, 16 bytes of four little-endian signed 32-bit numbers
// (language, the settings dialog's box number, the annotation colour, the camera type), read and
// written whole, in the current working folder.
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/notification_target.h"

namespace vyr {

inline constexpr char kSettingsFileName[] = "language.ini";

enum CameraType : int32_t { kCameraTypeDetect = 0, kCameraTypeMjpeg = 1, kCameraTypeH264 = 2 };

struct Settings {
    int32_t languageIndex = 0;  // 0 English .. 5 Traditional Chinese; other values: no language
    int32_t boxNumber = 73;
    int32_t annotationColour = 0;  // 0 red, 1 green, 2 blue
    int32_t cameraType = kCameraTypeDetect;
};

SettingsBytes SettingsToBytes(const Settings& settings);
Settings SettingsFromBytes(const SettingsBytes& bytes);

// Reads up to 16 bytes of the file over the first bytes of *copy (a shorter file leaves the rest of
// the copy as it was). Returns false, leaving *copy alone, when the file cannot be opened.
bool ReadSettingsInto(const std::filesystem::path& file, SettingsBytes* copy);

// The readers that create the file: when it does not exist it is written at once with the
// defaults {0, 73, 0, 0}, which are returned. Otherwise the file's bytes over the defaults (a file
// that exists but cannot be read gives the defaults and is not replaced). A read-only file is read
// and used as it is.
Settings ReadSettingsOrCreate(const std::filesystem::path& file = kSettingsFileName);

// Whether the file exists (readable or not). Start-up shows the first-run language dialog only when
// it does not, so a read-only language.ini never brings that dialog back.
bool SettingsFileIsPresent(const std::filesystem::path& file = kSettingsFileName);

// Replaces the file with the 16 bytes: written to a temporary file in the same folder, flushed,
// then renamed over it, so the file is never seen short or empty. A file that exists but may not
// be written (read-only) is left as it is. Returns 0, or -1 when nothing was written.
int WriteSettingsFile(const std::filesystem::path& file, const SettingsBytes& bytes);

}  // namespace vyr
