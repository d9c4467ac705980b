// Stores a picture file uploaded by the camera (any format Qt's image readers decode) as a 24-bit
// BMP with SaveBitmapFile, like the snapshots.
#pragma once

#include <cstdint>
#include <string>

namespace vyr {

// Pictures whose decoded size exceeds this on either side are not decoded: a small compressed file
// could otherwise ask for gigabytes.
inline constexpr int kReceivedPictureMaxSide = 8192;

// Decodes data[0..length) and writes it to path. Returns 0, or -1 when the data does not decode
// (unknown format, damaged, too large) or the file cannot be written.
int SaveReceivedPicture(const uint8_t* data, int length, const std::string& path);

}  // namespace vyr
