// The JPEG decoder tests' oracle and tools: natural-looking YUV pictures at any size and
// subsampling, compressed by libjpeg-turbo, decoded by libjpeg-turbo with its accurate integer IDCT
// as the reference and compared sample by sample with our planes; and byte-level edits of valid
// streams (marker segments found, removed, inserted and patched) to build broken ones.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "video/jpeg/jpeg_decoder.h"
#include "video/jpeg/jpeg_decoder_testing.h"

namespace vyr::test {

// One YUV picture with tightly packed planes (stride = plane width).
struct YuvPicture {
    int width = 0;
    int height = 0;
    int subsampling = 0;  // TJSAMP_*
    std::vector<uint8_t> planes[3];
    int planeWidth[3] = {};
    int planeHeight[3] = {};
};

// The last four use libjpeg-turbo's documented environment switches, set only during the call.
struct CompressOptions {
    int quality = 90;
    std::string restart;       // TJ_RESTART: "N" = every N MCU rows, "NB" = every N MCUs
    bool optimize = false;     // TJ_OPTIMIZE: Huffman tables fitted to the picture
    bool progressive = false;  // TJ_PROGRESSIVE: SOF2
    bool arithmetic = false;   // TJ_ARITHMETIC: SOF9
};

// Smooth shading, fine texture, hard edges and mild noise, so that blocks have both few and many
// coefficients. The seed varies the content.
YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed);
std::vector<uint8_t> CompressYuv(const YuvPicture& picture, const CompressOptions& options = {});
// A greyscale JPEG (one component) of the picture's luma.
std::vector<uint8_t> CompressGrey(const YuvPicture& picture);
// Decodes with libjpeg-turbo (tjDecompressToYUVPlanes, TJFLAG_ACCURATEDCT).
YuvPicture ReferenceDecode(const std::vector<uint8_t>& jpeg);

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
    double psnr = 0.0;  // infinity when equal
};
PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const JpegPicture& ours,
                        int firstSkipped = 0, int lastSkipped = 0);

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
bool SamePlanes(const YuvPicture& reference, const JpegPicture& a, const JpegPicture& b);

struct DecoderDeleter {
    void operator()(JpegDecoder* decoder) const { JpegDecoderDestroy(decoder); }
};
using DecoderPtr = std::unique_ptr<JpegDecoder, DecoderDeleter>;
inline DecoderPtr MakeDecoder(int maxWidth = 4096, int maxHeight = 4096, bool portable = false) {
    const JpegDecoderAttributes attributes{0, 0, maxWidth, maxHeight};
    DecoderPtr decoder(JpegDecoderCreate(&attributes));
    if (decoder && portable) {
        vyr::jpeg::UsePortableBlockRoutine(decoder.get());
    }
    return decoder;
}
inline int Decode(JpegDecoder* decoder, const std::vector<uint8_t>& jpeg, JpegPicture* picture,
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
// The nth segment with this marker code, restart markers in the scan data included; throws when
// there is none. The nth restart marker of a scan is FindSegment(jpeg, 0xD0 + n % 8, n / 8).
MarkerSegment FindSegment(const std::vector<uint8_t>& jpeg, uint8_t code, int nth = 0);
std::vector<uint8_t> RemoveSegments(const std::vector<uint8_t>& jpeg, uint8_t code);
// Inserts bytes right before the first segment with this marker code.
std::vector<uint8_t> InsertBefore(const std::vector<uint8_t>& jpeg, uint8_t code,
                                  const std::vector<uint8_t>& bytes);
// A copy with byte `index` of the body (after the length field) of the first such segment set.
std::vector<uint8_t> WithBodyByte(std::vector<uint8_t> jpeg, uint8_t code, size_t index,
                                  uint8_t value);

}  // namespace vyr::test
