// BMP writing: the 54-byte headers are assembled little-endian byte by byte, the picture is flipped
// in place row by row (the middle row of an odd height stays), and the rows go out in one write.
#include "capture/bitmap_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace vyr {
namespace {

constexpr uint32_t kHeaderBytes = 54;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 100;

void PutU16(uint8_t*& out, uint16_t value) {
    *out++ = static_cast<uint8_t>(value);
    *out++ = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t*& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        *out++ = static_cast<uint8_t>(value >> (8 * i));
    }
}

void FlipRows(uint8_t* pixels, int height, size_t stride) {
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* upper = pixels + static_cast<size_t>(top) * stride;
        uint8_t* lower = pixels + static_cast<size_t>(bottom) * stride;
        std::swap_ranges(upper, upper + stride, lower);
    }
}

}  // namespace

int64_t BitmapStride(int width, int bitsPerPixel) {
    return (int64_t{width} * bitsPerPixel + 31) / 32 * 4;
}

int SaveBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel, const char* path) {
    const bool knownDepth =
        bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (pixels == nullptr || path == nullptr || width <= 0 || height <= 0 || !knownDepth) {
        return -1;
    }
    const int64_t stride = BitmapStride(width, bitsPerPixel);
    // The rows are written with their padding, so the file is valid for every width; for widths
    // whose rows need no padding this is exactly width * height * bytes per pixel.
    const int64_t imageBytes = stride * height;
    if (imageBytes + kHeaderBytes > int64_t{std::numeric_limits<uint32_t>::max()}) {
        return -1;
    }

    std::FILE* out = std::fopen(path, "wb+");
    if (out == nullptr) {
        std::printf("open file failed!\n");
        return -1;
    }

    uint8_t header[kHeaderBytes];
    uint8_t* cursor = header;
    PutU16(cursor, 0x4D42);  // "BM"
    PutU32(cursor, static_cast<uint32_t>(imageBytes) + kHeaderBytes);
    PutU16(cursor, 0);
    PutU16(cursor, 0);
    PutU32(cursor, kHeaderBytes);
    PutU32(cursor, kInfoHeaderBytes);
    PutU32(cursor, static_cast<uint32_t>(width));
    PutU32(cursor, static_cast<uint32_t>(height));  // positive: rows stored bottom-up
    PutU16(cursor, 1);
    PutU16(cursor, static_cast<uint16_t>(bitsPerPixel));
    PutU32(cursor, 0);  // BI_RGB
    PutU32(cursor, static_cast<uint32_t>(imageBytes));
    PutU32(cursor, kPixelsPerMetre);
    PutU32(cursor, kPixelsPerMetre);
    PutU32(cursor, 0);
    PutU32(cursor, 0);

    FlipRows(pixels, height, static_cast<size_t>(stride));
    const bool written = std::fwrite(header, 1, sizeof header, out) == sizeof header &&
                         std::fwrite(pixels, 1, static_cast<size_t>(imageBytes), out) ==
                             static_cast<size_t>(imageBytes);
    const bool closed = std::fclose(out) == 0;
    return (written && closed) ? 0 : -1;
}

}  // namespace vyr
