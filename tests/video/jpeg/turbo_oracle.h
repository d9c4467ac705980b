// The JPEG decoder tests' oracle and tools: natural-looking YUV pictures at any size and
// subsampling, compressed by libjpeg-turbo, decoded by libjpeg-turbo with its accurate integer IDCT
// as the reference and compared sample by sample with our planes; and byte-level edits of valid
// streams (marker segments found, removed, inserted and patched) to build broken ones. The edits
// trust the lengths of libjpeg-turbo's streams but still stop at the end of the data.
#pragma once

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "video/jpeg/jpeg_decoder.h"
#include "video/jpeg/jpeg_decoder_testing.h"

namespace vyr::test {

using Bytes = std::vector<uint8_t>;

// One YUV picture with tightly packed planes (stride = plane width).
struct YuvPicture {
    int width = 0;
    int height = 0;
    int subsampling = 0;  // TJSAMP_*
    Bytes planes[3];
    int planeWidth[3] = {};
    int planeHeight[3] = {};

    void SizePlanes() {
        for (int plane = 0; plane < 3; ++plane) {
            planeWidth[plane] = tjPlaneWidth(plane, width, subsampling);
            planeHeight[plane] = tjPlaneHeight(plane, height, subsampling);
            planes[plane].assign(static_cast<size_t>(planeWidth[plane]) * planeHeight[plane], 0);
        }
    }
};

// Smooth shading, fine texture, hard edges and mild noise, so that blocks have both few and many
// coefficients. The seed varies the content; chroma coordinates are scaled back to luma positions,
// so that all planes show the same scene.
inline YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed) {
    YuvPicture picture;
    picture.width = width;
    picture.height = height;
    picture.subsampling = subsampling;
    picture.SizePlanes();
    const double phase = (seed % 97) * 0.1;
    for (int plane = 0; plane < 3; ++plane) {
        const int planeWidth = picture.planeWidth[plane];
        for (int row = 0; row < picture.planeHeight[plane]; ++row) {
            for (int column = 0; column < planeWidth; ++column) {
                const double x = column * static_cast<double>(width) / planeWidth;
                const double y = row * static_cast<double>(height) / picture.planeHeight[plane];
                uint32_t noise = seed * 7919u + static_cast<uint32_t>(plane) * 31u +
                                 static_cast<uint32_t>(row) * 65537u +
                                 static_cast<uint32_t>(column);
                noise = (noise ^ noise >> 16) * 0x7feb352dU;
                noise = (noise ^ noise >> 15) * 0x846ca68bU;
                const double grain = static_cast<double>((noise ^ noise >> 16) % 17) - 8.0;
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
                picture.planes[plane][static_cast<size_t>(row) * planeWidth + column] =
                    static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    return picture;
}

using Turbo = std::unique_ptr<void, decltype(&tjDestroy)>;
inline Turbo TurboHandle(tjhandle handle) {
    if (handle == nullptr) {
        throw std::runtime_error("libjpeg-turbo handle failed");
    }
    return {handle, &tjDestroy};
}

// The last four use libjpeg-turbo's documented environment switches, set only during the call.
struct CompressOptions {
    int quality = 90;
    std::string restart;       // TJ_RESTART: "N" = every N MCU rows, "NB" = every N MCUs
    bool optimize = false;     // TJ_OPTIMIZE: Huffman tables fitted to the picture
    bool progressive = false;  // TJ_PROGRESSIVE: SOF2
    bool arithmetic = false;   // TJ_ARITHMETIC: SOF9
    bool grey = false;         // one component: the picture's luma
};

inline Bytes CompressYuv(const YuvPicture& picture, const CompressOptions& options = {}) {
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
    const Turbo compressor = TurboHandle(tjInitCompress());
    const unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                      picture.planes[2].data()};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result =
        options.grey
            ? tjCompress2(compressor.get(), planes[0], picture.width, picture.planeWidth[0],
                          picture.height, TJPF_GRAY, &buffer, &size, TJSAMP_GRAY, 90, 0)
            : tjCompressFromYUVPlanes(compressor.get(), planes, picture.width, picture.planeWidth,
                                      picture.height, picture.subsampling, &buffer, &size,
                                      options.quality, TJFLAG_ACCURATEDCT);
    for (const auto& [name, value] : switches) {
        unsetenv(name);
    }
    Bytes bytes(buffer, buffer + (result == 0 ? size : 0));
    tjFree(buffer);
    if (result != 0) {
        throw std::runtime_error(tjGetErrorStr2(compressor.get()));
    }
    return bytes;
}

// Decodes with libjpeg-turbo (tjDecompressToYUVPlanes, TJFLAG_ACCURATEDCT).
inline YuvPicture ReferenceDecode(const Bytes& jpeg) {
    const Turbo decompressor = TurboHandle(tjInitDecompress());
    YuvPicture picture;
    int colourspace = 0;
    if (tjDecompressHeader3(decompressor.get(), jpeg.data(), jpeg.size(), &picture.width,
                            &picture.height, &picture.subsampling, &colourspace) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.get()));
    }
    picture.SizePlanes();
    unsigned char* planes[3] = {picture.planes[0].data(), picture.planes[1].data(),
                                picture.planes[2].data()};
    if (tjDecompressToYUVPlanes(decompressor.get(), jpeg.data(), jpeg.size(), planes, picture.width,
                                picture.planeWidth, picture.height, TJFLAG_ACCURATEDCT) != 0) {
        throw std::runtime_error(tjGetErrorStr2(decompressor.get()));
    }
    return picture;
}

inline const uint8_t* PlaneOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.y : (plane == 1 ? picture.cb : picture.cr);
}
inline int StrideOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.lumaStride : picture.chromaStride;
}

// The largest difference of our samples from the reference, over the samples whose 16 x 16 MCU
// index (4:2:0) lies outside [firstSkipped, lastSkipped); and the PSNR over the same samples.
struct PlaneMatch {
    int maxDifference = 0;
    double psnr = std::numeric_limits<double>::infinity();
};
inline PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const JpegPicture& ours,
                               int firstSkipped = 0, int lastSkipped = 0) {
    const int width = reference.planeWidth[plane];
    const int mcuSize = plane == 0 ? 16 : 8;
    PlaneMatch match;
    double squaredError = 0;
    double count = 0;
    for (int row = 0; row < reference.planeHeight[plane]; ++row) {
        for (int column = 0; column < width; ++column) {
            const int mcu = row / mcuSize * ((reference.width + 15) / 16) + column / mcuSize;
            if (mcu < firstSkipped || mcu >= lastSkipped) {
                const int difference = std::abs(
                    reference.planes[plane][static_cast<size_t>(row) * width + column] -
                    PlaneOf(ours,
                            plane)[static_cast<size_t>(row) * StrideOf(ours, plane) + column]);
                match.maxDifference = std::max(match.maxDifference, difference);
                squaredError += difference * difference;
                ++count;
            }
        }
    }
    if (squaredError > 0) {
        match.psnr = 10 * std::log10(255.0 * 255.0 * count / squaredError);
    }
    return match;
}

// The IDCTs differ in arithmetic (ours: AAN in single-precision float; the reference: the accurate
// LL&M integer IDCT with intermediate rounding). Both stay within about half a step of the exact
// transform, so a sample may differ by 1, rarely 2; a coefficient error of a single quantisation
// step moves samples by far more and drops the PSNR well below 50 dB.
inline constexpr int kMaxSampleDifference = 2;
inline void ExpectPlanesMatch(const YuvPicture& reference, const JpegPicture& picture) {
    for (int plane = 0; plane < 3; ++plane) {
        const PlaneMatch match = ComparePlane(reference, plane, picture);
        EXPECT_LE(match.maxDifference, kMaxSampleDifference) << "plane " << plane;
        EXPECT_GE(match.psnr, 50.0) << "plane " << plane;
    }
}

// True when both pictures hold the same samples inside the picture, bit for bit.
inline bool SamePlanes(const YuvPicture& reference, const JpegPicture& a, const JpegPicture& b) {
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

using DecoderPtr = std::unique_ptr<JpegDecoder, decltype(&JpegDecoderDestroy)>;
inline DecoderPtr MakeDecoder(int maxWidth = 4096, int maxHeight = 4096, bool portable = false) {
    const JpegDecoderAttributes attributes{0, 0, maxWidth, maxHeight};
    DecoderPtr decoder(JpegDecoderCreate(&attributes), &JpegDecoderDestroy);
    if (decoder && portable) {
        vyr::jpeg::UsePortableBlockRoutine(decoder.get());
    }
    return decoder;
}
inline int Decode(JpegDecoder* decoder, const Bytes& jpeg, JpegPicture* picture,
                  int callerValue1 = 0, int callerValue2 = 0) {
    return JpegDecoderDecode(decoder, jpeg.data(), static_cast<int>(jpeg.size()), callerValue1,
                             callerValue2, picture, 0);
}

inline constexpr uint8_t kSof0 = 0xC0, kDht = 0xC4, kDqt = 0xDB, kSos = 0xDA, kEoi = 0xD9;

struct MarkerSegment {
    uint8_t code = 0;
    size_t offset = 0;  // position of the 0xFF
    size_t size = 0;    // marker, length field and body; 2 for markers without a length
};

// SOI, the marker segments, the scan data's restart markers and EOI, in stream order.
inline std::vector<MarkerSegment> ListSegments(const Bytes& jpeg) {
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

// The nth segment with this marker code; throws when there is none. The nth restart marker of a
// scan is FindSegment(jpeg, 0xD0 + n % 8, n / 8).
inline MarkerSegment FindSegment(const Bytes& jpeg, uint8_t code, int nth = 0) {
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code && nth-- == 0) {
            return segment;
        }
    }
    throw std::runtime_error("marker not found");
}

inline Bytes RemoveSegments(const Bytes& jpeg, uint8_t code) {
    Bytes result = jpeg;
    const auto segments = ListSegments(jpeg);
    for (auto segment = segments.rbegin(); segment != segments.rend(); ++segment) {
        if (segment->code == code) {
            result.erase(result.begin() + static_cast<ptrdiff_t>(segment->offset),
                         result.begin() + static_cast<ptrdiff_t>(segment->offset + segment->size));
        }
    }
    return result;
}

// Inserts bytes right before the first segment with this marker code.
inline Bytes InsertBefore(const Bytes& jpeg, uint8_t code, const Bytes& bytes) {
    Bytes result = jpeg;
    result.insert(result.begin() + static_cast<ptrdiff_t>(FindSegment(jpeg, code).offset),
                  bytes.begin(), bytes.end());
    return result;
}

// A copy with byte `index` of the body (after the length field) of the first such segment set.
inline Bytes WithBodyByte(Bytes jpeg, uint8_t code, size_t index, uint8_t value) {
    jpeg.at(FindSegment(jpeg, code).offset + 4 + index) = value;
    return jpeg;
}

}  // namespace vyr::test
