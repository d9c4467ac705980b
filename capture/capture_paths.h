// Where snapshots, received pictures and videos go, and the file names made from the local time:
// {exe dir}/jpg/{patient folder}/YYYYMMDD_hhmmss.bmp and {exe dir}/video/YYYYMMDDhhmmss.avi (a
// name already taken gets a number, see capture/numbered_file.h).
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace vyr {

struct LinkShared;

// The longest path that a notification record carries: 254 characters and the terminator fill
// the record's 255-byte path buffer. A longer path is refused rather than cut into another name.
inline constexpr size_t kNotificationPathMaxChars = 254;

// The folder that holds jpg/ and video/: the link's own choice, or GetExeDir() (the executable's
// folder, or the data folder start-up chose).
std::string LinkExeDir(const LinkShared& link);

// {exe dir}/jpg/{patient folder name}, without a trailing '/'.
std::string PhotoFolder(const LinkShared& link);

// {exe dir}/video, without a trailing '/'.
std::string VideoFolder(const LinkShared& link);

// The names without their extensions ".bmp" and ".avi": "YYYYMMDD_hhmmss" and "YYYYMMDDhhmmss" for
// the given local time.
std::string SnapshotFileStem(const std::tm& localTime);
std::string VideoFileStem(const std::tm& localTime);

}  // namespace vyr
