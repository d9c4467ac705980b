// BMP writing: the 54-byte headers are assembled little-endian byte by byte, the picture is flipped
// in place row by row (the middle row of an odd height stays), and header and rows go to a new file
// that takes its name only when complete.
#include "capture/bitmap_file.h"

#include <algorithm>
#include <limits>
#include <span>

#include "capture/numbered_file.h"
#include "platform/new_file.h"

namespace vyr {
namespace {

constexpr uint32_t kHeaderBytes = kBitmapHeaderBytes;
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

// Checks the arguments, flips the rows and hands header and rows to write. When nothing was
// written the rows are flipped back, so the caller may try again with its buffer as it was.
template <typename Write>
int SaveBitmap(uint8_t* pixels, int width, int height, int bitsPerPixel, Write write) {
    uint8_t header[kBitmapHeaderBytes];
    const int64_t imageBytes = MakeBitmapHeader(width, height, bitsPerPixel, header);
    if (pixels == nullptr || imageBytes < 0) {
        return -1;
    }
    const auto stride = static_cast<size_t>(BitmapStride(width, bitsPerPixel));
    FlipRows(pixels, height, stride);
    const std::span<const uint8_t> parts[] = {{header, kBitmapHeaderBytes},
                                              {pixels, static_cast<size_t>(imageBytes)}};
    const int result = write(NewFileParts(parts));
    if (result != kNewFileWritten) {
        FlipRows(pixels, height, stride);
    }
    return result;
}

}  // namespace

int64_t BitmapStride(int width, int bitsPerPixel) {
    return (int64_t{width} * bitsPerPixel + 31) / 32 * 4;
}

int64_t MakeBitmapHeader(int width, int height, int bitsPerPixel,
                         uint8_t (&header)[kBitmapHeaderBytes]) {
    const bool knownDepth =
        bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (width <= 0 || height <= 0 || !knownDepth) {
        return -1;
    }
    // The rows are written with their padding, so the file is valid for every width; for widths
    // whose rows need no padding this is exactly width * height * bytes per pixel.
    const int64_t imageBytes = BitmapStride(width, bitsPerPixel) * height;
    if (imageBytes + int64_t{kHeaderBytes} > int64_t{std::numeric_limits<uint32_t>::max()}) {
        return -1;
    }
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
    return imageBytes;
}

int SaveBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel, const char* path) {
    if (path == nullptr) {
        return -1;
    }
    return SaveBitmap(pixels, width, height, bitsPerPixel, [&](NewFileParts parts) {
        std::string reason;
        const int result = WriteNewFileAtomically(std::filesystem::path(path), parts, &reason);
        if (result != kNewFileWritten) {
            PrintNotSaved(result, path, reason);
        }
        return result;
    });
}

int SaveNumberedBitmapFile(uint8_t* pixels, int width, int height, int bitsPerPixel,
                           const std::string& folder, const std::string& stem, size_t maxPathChars,
                           std::string* storedPath) {
    return SaveBitmap(pixels, width, height, bitsPerPixel, [&](NewFileParts parts) {
        return WriteNumberedFile(folder, stem, ".bmp", parts, maxPathChars, storedPath);
    });
}

}  // namespace vyr
