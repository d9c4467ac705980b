// BMP thumbnails by box averaging. The target rectangle is w = min(284, W) by h = min(160, H);
// thumbnail column i takes source columns [i W / w, (i + 1) W / w) and row j source rows
// [j H / h, (j + 1) H / h), so every source pixel counts once and a side that is not longer than
// the thumbnail's is copied as it is. The rows of one thumbnail row are first added up column by
// column (a plain loop over bytes that the compiler turns into vector code), then each box's
// columns; with sides of at most 2^15 a box holds at most 205 rows of 116 columns, so its sums
// stay far below 2^32.
#include "ui/bmp_thumbnail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ui/main_dlg_ids.h"

namespace vyr {
namespace {

constexpr size_t kThumbnailRowBytes = size_t{kThumbnailWidth} * 3;
constexpr uint32_t kBiRgb = 0;

uint16_t U16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint32_t U32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

const uint8_t* RowOf(const uint8_t* data, const BmpLayout& layout, int row) {
    const int stored = layout.isTopDown ? row : layout.height - 1 - row;
    return data + layout.pixelOffset + static_cast<size_t>(stored) * layout.stride;
}

// Adds one row's bytes to the column sums. The restrict qualifiers tell the compiler that the
// bytes and the sums never overlap (a byte pointer may alias anything), and the blocks of 16 have
// a fixed length, so the block loop becomes vector code even at -O2.
void AddRow(const uint8_t* __restrict source, uint32_t* __restrict sums, size_t count) {
    size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        for (size_t j = 0; j < 16; ++j) {
            sums[k + j] += source[k + j];
        }
    }
    for (; k < count; ++k) {
        sums[k] += source[k];
    }
}

void PutU16(uint8_t*& out, uint16_t value) {
    *out++ = static_cast<uint8_t>(value);
    *out++ = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t*& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        *out++ = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Reads up to count bytes at offset; the number read, or -1.
ssize_t ReadFully(int fd, uint8_t* buffer, size_t count, off_t offset) {
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, buffer + done, count - done, offset + done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

int ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout* layout) {
    if (data == nullptr || layout == nullptr || size < kBmpHeaderBytes || data[0] != 'B' ||
        data[1] != 'M') {
        return -1;
    }
    const uint32_t pixelOffset = U32(data + 10);
    const uint32_t infoBytes = U32(data + 14);
    const auto width = static_cast<int32_t>(U32(data + 18));
    const auto height = static_cast<int32_t>(U32(data + 22));
    const uint16_t planes = U16(data + 26);
    const uint16_t bitsPerPixel = U16(data + 28);
    const uint32_t compression = U32(data + 30);
    // Info headers of 40 bytes and the longer V4 and V5 ones all start with these fields; the
    // pixels must start after the headers.
    if (infoBytes < 40 || infoBytes > 1024 || pixelOffset < 14 + infoBytes || planes != 1 ||
        (bitsPerPixel != 24 && bitsPerPixel != 32) || compression != kBiRgb) {
        return -1;
    }
    // Checked before negating, so INT32_MIN never is.
    if (width <= 0 || width > kBmpMaxSide || height == 0 || height < -kBmpMaxSide ||
        height > kBmpMaxSide) {
        return -1;
    }
    BmpLayout read;
    read.width = width;
    read.height = height < 0 ? -height : height;
    read.isTopDown = height < 0;
    read.bytesPerPixel = bitsPerPixel / 8;
    read.pixelOffset = pixelOffset;
    read.stride = (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
    const size_t pixelBytes = read.stride * static_cast<size_t>(read.height);
    if (pixelBytes > kBmpMaxPixelBytes) {
        return -1;
    }
    read.neededBytes = read.pixelOffset + pixelBytes;
    *layout = read;
    return 0;
}

int MakeBmpThumbnail(const uint8_t* data, size_t size, uint8_t* rgb, size_t rgbStride) {
    BmpLayout layout;
    if (rgb == nullptr || rgbStride < kThumbnailRowBytes ||
        ReadBmpLayout(data, size, &layout) != 0) {
        return -1;
    }
    if (size < layout.neededBytes) {
        return -2;
    }
    const int sourceW = layout.width;
    const int sourceH = layout.height;
    const int w = std::min(kThumbnailWidth, sourceW);
    const int h = std::min(kThumbnailHeight, sourceH);
    const int left = (kThumbnailWidth - w) / 2;
    const int top = (kThumbnailHeight - h) / 2;
    const int bpp = layout.bytesPerPixel;
    const size_t rowBytes = static_cast<size_t>(sourceW) * bpp;

    for (int y = 0; y < kThumbnailHeight; ++y) {
        std::memset(rgb + static_cast<size_t>(y) * rgbStride, 0, kThumbnailRowBytes);
    }
    // A picture that fits (a cache entry among them) is copied pixel by pixel.
    if (w == sourceW && h == sourceH) {
        for (int row = 0; row < h; ++row) {
            const uint8_t* source = RowOf(data, layout, row);
            uint8_t* out =
                rgb + static_cast<size_t>(top + row) * rgbStride + static_cast<size_t>(left) * 3;
            for (int x = 0; x < w; ++x, source += bpp, out += 3) {
                out[0] = source[2];
                out[1] = source[1];
                out[2] = source[0];
            }
        }
        return 0;
    }
    int firstColumns[kThumbnailWidth + 1];
    for (int i = 0; i <= w; ++i) {
        firstColumns[i] = static_cast<int>(int64_t{i} * sourceW / w);
    }
    thread_local std::vector<uint32_t> columnSums;
    columnSums.resize(rowBytes);
    for (int j = 0; j < h; ++j) {
        const int firstRow = static_cast<int>(int64_t{j} * sourceH / h);
        const int endRow = static_cast<int>(int64_t{j + 1} * sourceH / h);
        std::fill(columnSums.begin(), columnSums.end(), 0u);
        uint32_t* sums = columnSums.data();
        for (int row = firstRow; row < endRow; ++row) {
            AddRow(RowOf(data, layout, row), sums, rowBytes);
        }
        uint8_t* out =
            rgb + static_cast<size_t>(top + j) * rgbStride + static_cast<size_t>(left) * 3;
        const auto rows = static_cast<uint32_t>(endRow - firstRow);
        for (int i = 0; i < w; ++i) {
            uint32_t blue = 0;
            uint32_t green = 0;
            uint32_t red = 0;
            for (int column = firstColumns[i]; column < firstColumns[i + 1]; ++column) {
                const uint32_t* pixel = sums + static_cast<size_t>(column) * bpp;
                blue += pixel[0];
                green += pixel[1];
                red += pixel[2];
            }
            const uint32_t count =
                rows * static_cast<uint32_t>(firstColumns[i + 1] - firstColumns[i]);
            out[0] = static_cast<uint8_t>((red + count / 2) / count);
            out[1] = static_cast<uint8_t>((green + count / 2) / count);
            out[2] = static_cast<uint8_t>((blue + count / 2) / count);
            out += 3;
        }
    }
    return 0;
}

int LoadBmpThumbnail(const char* path, uint8_t* rgb, size_t rgbStride) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    thread_local std::vector<uint8_t> file;
    int result = -1;
    uint8_t header[kBmpHeaderBytes];
    BmpLayout layout;
    if (ReadFully(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
        ReadBmpLayout(header, sizeof header, &layout) == 0) {
        file.resize(layout.neededBytes);
        const ssize_t got = ReadFully(fd, file.data(), file.size(), 0);
        result =
            got < 0 ? -1 : MakeBmpThumbnail(file.data(), static_cast<size_t>(got), rgb, rgbStride);
    }
    ::close(fd);
    // A buffer grown for one very large picture is not kept for the thread's lifetime.
    if (file.capacity() > (size_t{64} << 20)) {
        std::vector<uint8_t>().swap(file);
    }
    return result;
}

std::vector<uint8_t> EncodeThumbnailBmp(const uint8_t* rgb, size_t rgbStride) {
    const auto pixelBytes = static_cast<uint32_t>(kThumbnailRowBytes * kThumbnailHeight);
    std::vector<uint8_t> file(kBmpHeaderBytes + pixelBytes);
    uint8_t* out = file.data();
    PutU16(out, 0x4D42);  // "BM"
    PutU32(out, static_cast<uint32_t>(file.size()));
    PutU32(out, 0);
    PutU32(out, kBmpHeaderBytes);
    PutU32(out, 40);
    PutU32(out, kThumbnailWidth);
    PutU32(out, static_cast<uint32_t>(-kThumbnailHeight));  // negative: rows stored top-down
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, kBiRgb);
    PutU32(out, pixelBytes);
    PutU32(out, 2835);  // 72 dots per inch
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = 0; y < kThumbnailHeight; ++y) {
        const uint8_t* in = rgb + static_cast<size_t>(y) * rgbStride;
        for (int x = 0; x < kThumbnailWidth; ++x, in += 3) {
            *out++ = in[2];
            *out++ = in[1];
            *out++ = in[0];
        }
    }
    return file;
}

}  // namespace vyr
