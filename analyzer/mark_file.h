// The marked picture's file: mark_YYYYMMDD_hhmmss.bmp in the patient's picture folder, written as a
// new file that never replaces another. A second save in the same second is named
// mark_YYYYMMDD_hhmmss_02.bmp (then _03 ... _99), which sorts after the first ('.' before '_') and
// before the next second's. The file appears under its name only once it is complete: it is
// written and flushed under a temporary name in the same folder and then renamed, so a failed
// write leaves no file.
#pragma once

#include <QImage>
#include <ctime>
#include <filesystem>
#include <string>

namespace vyr {

// The name of the attempt-th save in the second of localTime (attempt 0 is the plain name).
std::string MarkFileName(const std::tm& localTime, int attempt);

// How many saves one second can hold.
inline constexpr int kMarkNamesPerSecond = 99;

// Writes picture as an uncompressed BMP into folder under the first free name of that second.
// Returns 0 and sets *written to the file's path, or -1 with the reason in *why; then no file was
// left behind.
int SaveMarkFile(const QImage& picture, const std::filesystem::path& folder,
                 const std::tm& localTime, std::filesystem::path* written, std::string* why);

}  // namespace vyr
