// libjpeg-turbo oracle, picture generator and stream edits for the JPEG decoder tests (see
// turbo_oracle.h). The edits are only used on streams made by libjpeg-turbo, so they trust their
// lengths but still stop at the end of the data.
#include "tests/video/jpeg/turbo_oracle.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vyr::test {
namespace {

using Turbo = std::unique_ptr<void, decltype(&tjDestroy)>;

Turbo Handle(tjhandle handle) {
    if (handle == nullptr) {
        throw std::runtime_error("libjpeg-turbo handle failed");
    }
    return {handle, &tjDestroy};
}

std::vector<uint8_t> TakeBuffer(int result, const Turbo& turbo, unsigned char* buffer,
                                unsigned long size) {
    std::vector<uint8_t> bytes(buffer, buffer + (result == 0 ? size : 0));
    tjFree(buffer);
    if (result != 0) {
        throw std::runtime_error(tjGetErrorStr2(turbo.get()));
    }
    return bytes;
}

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    return x ^ (x >> 16);
}

void SizePlanes(YuvPicture& picture) {
    for (int plane = 0; plane < 3; ++plane) {
        picture.planeWidth[plane] = tjPlaneWidth(plane, picture.width, picture.subsampling);
        picture.planeHeight[plane] = tjPlaneHeight(plane, picture.height, picture.subsampling);
        picture.planes[plane].assign(
            static_cast<size_t>(picture.planeWidth[plane]) * picture.planeHeight[plane], 0);
    }
}

// Walks SOI, the marker segments, the scan data (listing each RSTn) and EOI.
std::vector<MarkerSegment> ListSegments(const std::vector<uint8_t>& jpeg) {
    std::vector<MarkerSegment> segments;
    size_t position = 0;
    bool isInScanData = false;
    while (position + 1 < jpeg.size()) {
        if (jpeg[position] != 0xFF || jpeg[position + 1] == 0x00 || jpeg[position + 1] == 0xFF) {
            if (!isInScanData && jpeg[position] != 0xFF) {
                throw std::runtime_error("unexpected byte outside scan data");
            }
            position += (jpeg[position] == 0xFF) ? 2 : 1;
            continue;
        }
        const uint8_t code = jpeg[position + 1];
        const bool isRestart = code >= 0xD0 && code <= 0xD7;
        size_t size = 2;
        if (!(code == 0xD8 || code == 0xD9 || isRestart)) {
            size += static_cast<size_t>(jpeg.at(position + 2) << 8 | jpeg.at(position + 3));
        }
        segments.push_back({code, position, size});
        isInScanData = code == 0xDA || (isRestart && isInScanData);
        position += size;
    }
    return segments;
}

}  // namespace

YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed) {
    YuvPicture picture;
    picture.width = width;
    picture.height = height;
    picture.subsampling = subsampling;
    SizePlanes(picture);
    const double phase = (seed % 97) * 0.1;
    for (int plane = 0; plane < 3; ++plane) {
        // Chroma coordinates scaled back to luma positions, so all planes show the same scene.
        const double scaleX = static_cast<double>(width) / picture.planeWidth[plane];
        const double scaleY = static_cast<double>(height) / picture.planeHeight[plane];
        for (int row = 0; row < picture.planeHeight[plane]; ++row) {
            for (int column = 0; column < picture.planeWidth[plane]; ++column) {
                const double x = column * scaleX;
                const double y = row * scaleY;
                const uint32_t noise =
                    Hash(seed * 7919u + static_cast<uint32_t>(plane) * 31u +
                         static_cast<uint32_t>(row) * 65537u + static_cast<uint32_t>(column));
                const double grain = static_cast<double>(noise % 17) - 8.0;
                const double dx = x - width * 0.6;
                const double dy = y - height * 0.4;
                const bool isInsideDisc = dx * dx + dy * dy < 0.05 * width * height;
                const double sign = plane == 1 ? 1.0 : -1.0;
                const double value =
                    plane == 0
                        ? 110 + 50 * std::sin(x * 0.031 + phase) * std::cos(y * 0.017) +
                              25 * std::sin((x + 2 * y) * 0.23) + (isInsideDisc ? 45 : 0) + grain
                        : 128 + sign * 30 * std::sin(y * 0.012 + phase) + 12 * std::cos(x * 0.05) +
                              (isInsideDisc ? sign * 20 : 0) + grain / 2;
                picture
                    .planes[plane][static_cast<size_t>(row) * picture.planeWidth[plane] + column] =
                    static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    return picture;
}

std::vector<uint8_t> CompressYuv(const YuvPicture& picture, const CompressOptions& options) {
    const std::pair<const char*, std::string> switches[] = {
        {"TJ_RESTART", options.restart},
        {"TJ_OPTIMIZE", options.optimize ? "1" : ""},
        {"TJ_PROGRESSIVE", options.progressive ? "1" : ""},
        {"TJ_ARITHMETIC", options.arithmetic ? "1" : ""}};
    for (const auto& [name, value] : switches) {
        if (!value.empty()) {
            setenv(name, value.c_str(), 1);
        }
    }
    const Turbo compressor = Handle(tjInitCompress());
    const unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                      picture.planes[2].data()};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjCompressFromYUVPlanes(
        compressor.get(), planes, picture.width, picture.planeWidth, picture.height,
        picture.subsampling, &buffer, &size, options.quality, TJFLAG_ACCURATEDCT);
    for (const auto& [name, value] : switches) {
        unsetenv(name);
    }
    return TakeBuffer(result, compressor, buffer, size);
}

std::vector<uint8_t> CompressGrey(const YuvPicture& picture) {
    const Turbo compressor = Handle(tjInitCompress());
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(compressor.get(), picture.planes[0].data(), picture.width,
                                   picture.planeWidth[0], picture.height, TJPF_GRAY, &buffer, &size,
                                   TJSAMP_GRAY, 90, 0);
    return TakeBuffer(result, compressor, buffer, size);
}

YuvPicture ReferenceDecode(const std::vector<uint8_t>& jpeg) {
    const Turbo decompressor = Handle(tjInitDecompress());
    YuvPicture picture;
    int colourspace = 0;
    if (tjDecompressHeader3(decompressor.get(), jpeg.data(), jpeg.size(), &picture.width,
                            &picture.height, &picture.subsampling, &colourspace) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.get()));
    }
    SizePlanes(picture);
    unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                picture.planes[2].data()};
    if (tjDecompressToYUVPlanes(decompressor.get(), jpeg.data(), jpeg.size(), planes, picture.width,
                                picture.planeWidth, picture.height, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.get()));
    }
    return picture;
}

PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const JpegPicture& ours,
                        int firstSkipped, int lastSkipped) {
    const int width = reference.planeWidth[plane];
    const int mcusPerRow = (reference.width + 15) / 16;
    const int mcuSize = plane == 0 ? 16 : 8;
    PlaneMatch match;
    double squaredError = 0;
    double count = 0;
    for (int row = 0; row < reference.planeHeight[plane]; ++row) {
        for (int column = 0; column < width; ++column) {
            const int mcu = (row / mcuSize) * mcusPerRow + column / mcuSize;
            if (mcu >= firstSkipped && mcu < lastSkipped) {
                continue;
            }
            const int difference = std::abs(
                reference.planes[plane][static_cast<size_t>(row) * width + column] -
                PlaneOf(ours, plane)[static_cast<size_t>(row) * StrideOf(ours, plane) + column]);
            match.maxDifference = std::max(match.maxDifference, difference);
            squaredError += difference * difference;
            ++count;
        }
    }
    match.psnr = squaredError == 0 ? std::numeric_limits<double>::infinity()
                                   : 10 * std::log10(255.0 * 255.0 * count / squaredError);
    return match;
}

bool SamePlanes(const YuvPicture& reference, const JpegPicture& a, const JpegPicture& b) {
    for (int plane = 0; plane < 3; ++plane) {
        for (int row = 0; row < reference.planeHeight[plane]; ++row) {
            const size_t offset = static_cast<size_t>(row) * StrideOf(a, plane);
            if (std::memcmp(PlaneOf(a, plane) + offset, PlaneOf(b, plane) + offset,
                            static_cast<size_t>(reference.planeWidth[plane])) != 0) {
                return false;
            }
        }
    }
    return true;
}

MarkerSegment FindSegment(const std::vector<uint8_t>& jpeg, uint8_t code, int nth) {
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code && nth-- == 0) {
            return segment;
        }
    }
    throw std::runtime_error("marker not found");
}

std::vector<uint8_t> RemoveSegments(const std::vector<uint8_t>& jpeg, uint8_t code) {
    std::vector<uint8_t> result;
    size_t copiedUpTo = 0;
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code) {
            result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(copiedUpTo),
                          jpeg.begin() + static_cast<ptrdiff_t>(segment.offset));
            copiedUpTo = segment.offset + segment.size;
        }
    }
    result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(copiedUpTo), jpeg.end());
    return result;
}

std::vector<uint8_t> InsertBefore(const std::vector<uint8_t>& jpeg, uint8_t code,
                                  const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> result = jpeg;
    result.insert(result.begin() + static_cast<ptrdiff_t>(FindSegment(jpeg, code).offset),
                  bytes.begin(), bytes.end());
    return result;
}

std::vector<uint8_t> WithBodyByte(std::vector<uint8_t> jpeg, uint8_t code, size_t index,
                                  uint8_t value) {
    jpeg.at(FindSegment(jpeg, code).offset + 4 + index) = value;
    return jpeg;
}

}  // namespace vyr::test
