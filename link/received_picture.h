// Stores a picture file uploaded by the camera (any format Qt's image readers decode) as a 24-bit
// BMP in the patient's folder, like the snapshots: under the camera's name, or a numbered twin of
// it when a different picture holds that name; not at all when an identical picture is there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyr {

// Pictures larger than this on either side, or whose decoded pixels would take more than
// kReceivedPictureMaxBytes, are refused from the size in their header, before any pixel memory is
// allocated: a small compressed file of one colour could otherwise ask for gigabytes. 4096 x 4096
// at 32 bits per pixel, the decoder's usual format, is exactly the byte limit.
inline constexpr int kReceivedPictureMaxSide = 4096;
inline constexpr int64_t kReceivedPictureMaxBytes = int64_t{64} * 1024 * 1024;

enum class ReceivedPictureOutcome {
    kDecoded,        // DecodeReceivedPicture only: decoded within the limits
    kStored,         // written whole under *path (announce it)
    kIdenticalTwin,  // the same picture is already stored under *path: nothing written
    kTooLarge,       // refused from its header size: nothing decoded, nothing written
    kNotDecodable,   // unknown format, damaged, or a header that gives no size
    kNotWritten,     // the file could not be written (the console has said why): no file left
};

// A decoded upload as the BMP file it would be stored as: the 54 header bytes, then the rows
// bottom-up as 24-bit BGR with the format's row padding.
struct ReceivedBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> header;
    std::vector<uint8_t> rows;
};

// Decodes data[0..length) into *bitmap (nothing is written). Returns kDecoded, kTooLarge or
// kNotDecodable.
ReceivedPictureOutcome DecodeReceivedPicture(const uint8_t* data, int length,
                                             ReceivedBitmap* bitmap);

struct ReceivedPictureResult {
    ReceivedPictureOutcome outcome = ReceivedPictureOutcome::kNotDecodable;
    std::string path;  // the stored file or its identical twin; empty otherwise
};

// Decodes data[0..length) and stores it as folder/stem.bmp, or as the first free numbered name
// (capture/numbered_file.h) when stem.bmp holds a different picture; paths longer than
// maxPathChars are not used. The comparison is on the BMP bytes this picture would be written as.
ReceivedPictureResult StoreReceivedPicture(const uint8_t* data, int length,
                                           const std::string& folder, const std::string& stem,
                                           size_t maxPathChars);

}  // namespace vyr
