// The fast way to a thumbnail for the pictures this program writes itself: uncompressed 24- and
// 32-bit BMP files (snapshots, uploads, marked pictures). The file's rows are read straight from
// its bytes and averaged box by box into the 284 x 160 thumbnail, by the same rule as
// MakeThumbnail (each side squeezed to the thumbnail's side when longer, kept and centred when
// shorter, the rest black), without first decoding the picture into an image of its own. Every
// other kind of file is left to the image reader (LoadThumbnailWithReader).
//
// Also the format of the thumbnail cache's entries: a 284 x 160 top-down 24-bit BMP, which this
// reader copies as it is. No Qt; safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vyr {

// Bytes of the two BMP headers this reader needs (file header and BITMAPINFOHEADER).
inline constexpr size_t kBmpHeaderBytes = 54;
// Larger pictures are left to the image reader.
inline constexpr int kBmpMaxSide = 1 << 15;
inline constexpr size_t kBmpMaxPixelBytes = size_t{512} << 20;

struct BmpLayout {
    int width = 0;
    int height = 0;  // always positive; isTopDown tells the row order
    bool isTopDown = false;
    int bytesPerPixel = 0;  // 3 or 4, stored blue, green, red (and one unused byte)
    size_t pixelOffset = 0;
    size_t stride = 0;       // bytes from one row to the next, padded to 4
    size_t neededBytes = 0;  // pixelOffset + stride * height: the file must be at least this long
};

// Reads the headers at the start of a BMP file (at least kBmpHeaderBytes of it).
// Returns 0 and fills *layout for an uncompressed 24- or 32-bit BMP of at most kBmpMaxSide on each
// side and kBmpMaxPixelBytes of pixels; -1 for anything else (another format, depth or
// compression, a damaged header, fewer than kBmpHeaderBytes bytes).
int ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout* layout);

// Makes the thumbnail of the BMP file held whole in data into rgb: 160 rows of 284 pixels, red,
// green, blue, rows rgbStride (at least 852) bytes apart. Returns 0; -1 when ReadBmpLayout refuses
// the file; -2 when the file is shorter than its pixels (cut off). rgb is untouched on failure.
int MakeBmpThumbnail(const uint8_t* data, size_t size, uint8_t* rgb, size_t rgbStride);

// The same from a file, read with plain reads into a buffer of the calling thread, up to the end of
// its pixels. Returns 0; -1 when it is not such a BMP or cannot be opened; -2 when it is cut off.
int LoadBmpThumbnail(const char* path, uint8_t* rgb, size_t rgbStride);

// A thumbnail (rows as for MakeBmpThumbnail) as a 284 x 160 top-down 24-bit BMP file's bytes.
std::vector<uint8_t> EncodeThumbnailBmp(const uint8_t* rgb, size_t rgbStride);

}  // namespace vyr
