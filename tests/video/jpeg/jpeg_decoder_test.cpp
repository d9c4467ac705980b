// Our JPEG decoder against libjpeg-turbo: every subsampling at odd and even sizes, qualities and
// fitted Huffman tables through both block routines (which must agree bit for bit); tables that
// default to Annex K or carry over; the alternating plane sets. Streams made valid by libjpeg-turbo
// and then edited: restart intervals with one damaged, pictures cut short, bytes to skip, and each
// header refusal with its code and the record a failed decode leaves.
//
// The oracle: natural-looking YUV pictures at any size and subsampling, compressed by
// libjpeg-turbo, decoded by libjpeg-turbo with its accurate integer IDCT as the reference and
// compared sample by sample with our planes; byte-level edits of valid streams (marker segments
// found, removed, inserted and patched) build the broken ones. The edits trust the lengths of
// libjpeg-turbo's streams but still stop at the end of the data.
#include "video/jpeg/jpeg_decoder.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "video/jpeg/jpeg_decoder_testing.h"

namespace vyr::test {
namespace {

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
YuvPicture MakeNaturalPicture(int width, int height, int subsampling, uint32_t seed) {
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

// Restarts and fitted tables use libjpeg-turbo's documented environment switches, set only during
// the call.
struct CompressOptions {
    int quality = 90;
    std::string restart;    // TJ_RESTART: "N" = every N MCU rows, "NB" = every N MCUs
    bool optimize = false;  // TJ_OPTIMIZE: Huffman tables fitted to the picture
};

Bytes CompressYuv(const YuvPicture& picture, const CompressOptions& options = {}) {
    const std::pair<const char*, std::string> switches[] = {
        {"TJ_RESTART", options.restart}, {"TJ_OPTIMIZE", options.optimize ? "1" : ""}};
    for (const auto& [name, value] : switches) {
        if (!value.empty()) {
            setenv(name, value.c_str(), 1);
        }
    }
    const Turbo compressor(tjInitCompress(), &tjDestroy);
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
    Bytes bytes(buffer, buffer + (result == 0 ? size : 0));
    tjFree(buffer);
    if (result != 0) {
        throw std::runtime_error(tjGetErrorStr2(compressor.get()));
    }
    return bytes;
}

// Decodes with libjpeg-turbo (tjDecompressToYUVPlanes, TJFLAG_ACCURATEDCT).
YuvPicture ReferenceDecode(const Bytes& jpeg) {
    const Turbo decompressor(tjInitDecompress(), &tjDestroy);
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

const uint8_t* PlaneOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.y : (plane == 1 ? picture.cb : picture.cr);
}
int StrideOf(const JpegPicture& picture, int plane) {
    return plane == 0 ? picture.lumaStride : picture.chromaStride;
}

// The largest difference of our samples from the reference, over the samples whose 16 x 16 MCU
// index (4:2:0) lies outside [firstSkipped, lastSkipped); and the PSNR over the same samples.
struct PlaneMatch {
    int maxDifference = 0;
    double psnr = std::numeric_limits<double>::infinity();
};
PlaneMatch ComparePlane(const YuvPicture& reference, int plane, const JpegPicture& ours,
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
constexpr int kMaxSampleDifference = 2;
void ExpectPlanesMatch(const YuvPicture& reference, const JpegPicture& picture) {
    for (int plane = 0; plane < 3; ++plane) {
        const PlaneMatch match = ComparePlane(reference, plane, picture);
        EXPECT_LE(match.maxDifference, kMaxSampleDifference) << "plane " << plane;
        EXPECT_GE(match.psnr, 50.0) << "plane " << plane;
    }
}

// True when both pictures hold the same samples inside the picture, bit for bit.
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

using DecoderPtr = std::unique_ptr<JpegDecoder, decltype(&JpegDecoderDestroy)>;
DecoderPtr MakeDecoder(int maxWidth = 4096, int maxHeight = 4096, bool portable = false) {
    const JpegDecoderAttributes attributes{0, 0, maxWidth, maxHeight};
    DecoderPtr decoder(JpegDecoderCreate(&attributes), &JpegDecoderDestroy);
    if (decoder && portable) {
        vyr::jpeg::UsePortableBlockRoutine(decoder.get());
    }
    return decoder;
}
int Decode(JpegDecoder* decoder, const Bytes& jpeg, JpegPicture* picture, int callerValue1 = 0,
           int callerValue2 = 0) {
    return JpegDecoderDecode(decoder, jpeg.data(), static_cast<int>(jpeg.size()), callerValue1,
                             callerValue2, picture, 0);
}

constexpr uint8_t kSof0 = 0xC0, kDht = 0xC4, kDqt = 0xDB, kSos = 0xDA, kEoi = 0xD9;

struct MarkerSegment {
    uint8_t code = 0;
    size_t offset = 0;  // position of the 0xFF
    size_t size = 0;    // marker, length field and body; 2 for markers without a length
};

// SOI, the marker segments, the scan data's restart markers and EOI, in stream order.
std::vector<MarkerSegment> ListSegments(const Bytes& jpeg) {
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
MarkerSegment FindSegment(const Bytes& jpeg, uint8_t code, int nth = 0) {
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code && nth-- == 0) {
            return segment;
        }
    }
    throw std::runtime_error("marker not found");
}

Bytes RemoveSegments(const Bytes& jpeg, uint8_t code) {
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
Bytes InsertBefore(const Bytes& jpeg, uint8_t code, const Bytes& bytes) {
    Bytes result = jpeg;
    result.insert(result.begin() + static_cast<ptrdiff_t>(FindSegment(jpeg, code).offset),
                  bytes.begin(), bytes.end());
    return result;
}

// A copy with byte `index` of the body (after the length field) of the first such segment set.
Bytes WithBodyByte(Bytes jpeg, uint8_t code, size_t index, uint8_t value) {
    jpeg.at(FindSegment(jpeg, code).offset + 4 + index) = value;
    return jpeg;
}

struct OracleCase {
    int width, height, subsampling, quality = 90;
    bool optimize = false;
    friend void PrintTo(const OracleCase& c, std::ostream* out) {
        *out << c.width << "x" << c.height << " TJSAMP " << c.subsampling << " q" << c.quality
             << (c.optimize ? " fitted" : "");
    }
};

class OracleTest : public testing::TestWithParam<OracleCase> {};

TEST_P(OracleTest, BothRoutinesMatchReferenceAndEachOther) {
    const OracleCase& c = GetParam();
    const Bytes jpeg = CompressYuv(MakeNaturalPicture(c.width, c.height, c.subsampling, 7),
                                   {.quality = c.quality, .optimize = c.optimize});
    const YuvPicture reference = ReferenceDecode(jpeg);
    DecoderPtr fast = MakeDecoder();
    DecoderPtr portable = MakeDecoder(4096, 4096, true);
    ASSERT_TRUE(fast && portable);
    JpegPicture fastPicture{};
    JpegPicture portablePicture{};
    ASSERT_EQ(Decode(fast.get(), jpeg, &fastPicture, 11, -12), 0);
    ASSERT_EQ(Decode(portable.get(), jpeg, &portablePicture), 0);

    const int layouts[] = {JPEG_LAYOUT_444, JPEG_LAYOUT_422, JPEG_LAYOUT_420, 0, JPEG_LAYOUT_440};
    const int mcuWidth = c.subsampling == TJSAMP_420 || c.subsampling == TJSAMP_422 ? 16 : 8;
    const int roundedWidth = (c.width + mcuWidth - 1) / mcuWidth * mcuWidth;
    EXPECT_EQ(std::tie(fastPicture.layout, fastPicture.width, fastPicture.height,
                       fastPicture.lumaStride, fastPicture.chromaStride, fastPicture.damaged,
                       fastPicture.errorCode, fastPicture.callerValue1, fastPicture.callerValue2),
              std::make_tuple(layouts[c.subsampling], c.width, c.height, roundedWidth,
                              mcuWidth == 16 ? roundedWidth / 2 : roundedWidth, 0, 0, 11, -12));
    ExpectPlanesMatch(reference, fastPicture);
    ExpectPlanesMatch(reference, portablePicture);
    EXPECT_TRUE(SamePlanes(reference, fastPicture, portablePicture)) << "the routines differ";
    // The planes hold whole MCUs, so a picture at a maximum that is no multiple of 16 must not
    // spill into the next plane (which would spoil chroma, or run off the end for the last one).
    DecoderPtr tight = MakeDecoder(c.width, c.height);
    for (int round = 0; round < 2; ++round) {  // both plane sets
        ASSERT_EQ(Decode(tight.get(), jpeg, &fastPicture), 0);
        ExpectPlanesMatch(reference, fastPicture);
    }
}

// Each subsampling at sizes below one MCU, at odd sizes and at whole MCUs; the camera's sizes (1080
// rows end in half an MCU row). Quality 100 gives large coefficients and long codes; quality 5
// mostly DC-only blocks (the flat store); fitted tables give code lengths the standard ones lack.
INSTANTIATE_TEST_SUITE_P(
    Subsamplings, OracleTest,
    testing::Values(OracleCase{1, 1, TJSAMP_420}, OracleCase{17, 9, TJSAMP_420},
                    OracleCase{333, 177, TJSAMP_420}, OracleCase{640, 480, TJSAMP_420},
                    OracleCase{1920, 1080, TJSAMP_420}, OracleCase{1280, 1024, TJSAMP_420},
                    OracleCase{7, 23, TJSAMP_422}, OracleCase{255, 131, TJSAMP_422},
                    OracleCase{5, 3, TJSAMP_444}, OracleCase{129, 67, TJSAMP_444},
                    OracleCase{9, 15, TJSAMP_440}, OracleCase{201, 99, TJSAMP_440},
                    OracleCase{211, 97, TJSAMP_420, 100}, OracleCase{211, 97, TJSAMP_444, 5},
                    OracleCase{211, 97, TJSAMP_422, 75, true},
                    OracleCase{97, 211, TJSAMP_440, 98, true}));
// A stream without tables decodes with the Annex K tables (quality 50 with the standard Huffman
// tables is exactly Annex K), and one whose fitted tables an earlier picture carried decodes
// with those. Only bit-exact equality with the stream that has its tables catches a table that is
// slightly wrong.
TEST(TableTest, MissingTablesAreAnnexKOrCarriedOver) {
    for (const CompressOptions& options :
         {CompressOptions{.quality = 50}, CompressOptions{.quality = 80, .optimize = true}}) {
        SCOPED_TRACE(options.quality);
        const Bytes jpeg = CompressYuv(MakeNaturalPicture(99, 61, TJSAMP_422, 4), options);
        const Bytes stripped = RemoveSegments(RemoveSegments(jpeg, kDht), kDqt);
        const YuvPicture reference = ReferenceDecode(jpeg);
        DecoderPtr fresh = MakeDecoder(128, 128);
        DecoderPtr decoder = MakeDecoder(128, 128);
        JpegPicture strippedPicture{};
        JpegPicture picture{};
        const int freshResult = Decode(fresh.get(), stripped, &strippedPicture);
        ASSERT_EQ(Decode(decoder.get(), jpeg, &picture), 0);
        if (options.optimize) {
            EXPECT_TRUE(freshResult != 0 || strippedPicture.damaged != 0 ||
                        ComparePlane(reference, 0, strippedPicture).maxDifference > 2)
                << "the stripped stream must need the earlier tables";
            ASSERT_EQ(Decode(decoder.get(), stripped, &strippedPicture), 0);
        } else {
            ASSERT_EQ(freshResult, 0);
        }
        ExpectPlanesMatch(reference, strippedPicture);
        EXPECT_EQ(strippedPicture.damaged, 0);
        EXPECT_TRUE(SamePlanes(reference, picture, strippedPicture));
    }
}

TEST(PlaneSetTest, ConsecutivePicturesAlternateAndStayIntact) {
    Bytes jpegs[3];
    for (int i = 0; i < 3; ++i) {
        jpegs[i] = CompressYuv(MakeNaturalPicture(80, 48, TJSAMP_420, 20 + i));
    }
    DecoderPtr decoder = MakeDecoder(128, 128);
    JpegPicture pictures[3] = {};
    ASSERT_EQ(Decode(decoder.get(), jpegs[0], &pictures[0]), 0);
    ASSERT_EQ(Decode(decoder.get(), jpegs[1], &pictures[1]), 0);
    EXPECT_NE(pictures[1].y, pictures[0].y);
    EXPECT_NE(pictures[1].cb, pictures[0].cb);
    ExpectPlanesMatch(ReferenceDecode(jpegs[0]), pictures[0]);  // untouched by the second decode
    JpegPicture failed{};
    ASSERT_EQ(Decode(decoder.get(), Bytes(100, 0x42), &failed), -1);
    ASSERT_EQ(Decode(decoder.get(), jpegs[2], &pictures[2]), 0);
    EXPECT_EQ(pictures[2].y, pictures[0].y) << "a failed decode must not switch plane sets";
    EXPECT_EQ(pictures[2].cr, pictures[0].cr);
    ExpectPlanesMatch(ReferenceDecode(jpegs[1]), pictures[1]);
    ExpectPlanesMatch(ReferenceDecode(jpegs[2]), pictures[2]);
}

// Edited streams of a 160 x 96 picture in 4:2:0 (10 x 6 MCUs): MCUs outside [firstWrong,
// lastWrong) must match the reference, and a damaged picture must differ from it from firstWrong
// on (the damage is not hidden). With restart markers every 4 MCUs (15 intervals), damage stays
// within its interval.
TEST(EditedStreamTest, DecodesLikeTheReferenceOutsideTheDamage) {
    const YuvPicture source = MakeNaturalPicture(160, 96, TJSAMP_420, 6);
    const Bytes plain = CompressYuv(source);
    const Bytes restarts = CompressYuv(source, {.restart = "4B"});
    const auto restart = [&](int n) {
        return FindSegment(restarts, static_cast<uint8_t>(0xD0 + n % 8), n / 8);
    };
    EXPECT_NO_THROW(restart(13));  // RST0 to RST13 between 15 intervals
    EXPECT_THROW(restart(14), std::runtime_error);
    // Interval k lies between RST(k-1) (or the scan header) and RSTk.
    const auto intervalStart = [&](int k) {
        const MarkerSegment before = k == 0 ? FindSegment(restarts, kSos) : restart(k - 1);
        return before.offset + before.size;
    };
    const auto intervalEnd = [&](int k) { return restart(k).offset; };
    Bytes cut = restarts;  // the second half of interval 5 missing: reads past its end
    cut.erase(cut.begin() + static_cast<ptrdiff_t>((intervalStart(5) + intervalEnd(5)) / 2),
              cut.begin() + static_cast<ptrdiff_t>(intervalEnd(5)));
    Bytes invalid = restarts;  // all one bits: no code of any standard table
    for (size_t i = intervalStart(5); i + 1 < intervalEnd(5); i += 2) {
        invalid[i] = 0xFF;
        invalid[i + 1] = 0x00;
    }
    const MarkerSegment sos = FindSegment(plain, kSos);
    const size_t scanEnd = FindSegment(plain, kEoi).offset;
    const Bytes junk = {0x00, 0x12, 0xFF, 0x00, 0xFF};  // before SOI
    Bytes noisy = InsertBefore(
        InsertBefore(plain, kSos, {0xFF, 0xFE, 0x00, 0x06, 0xFF, 0xD9, 0xFF, 0xDA, 0xFF, 0xFF}),
        kDqt, {0xFF, 0x01});  // a comment holding 0xFF bytes and fill bytes, an unknown marker
    noisy.insert(noisy.begin(), junk.begin(), junk.end());
    const auto dri = [](uint8_t high, uint8_t low) { return Bytes{0xFF, 0xDD, 0, 4, high, low}; };
    struct Case {
        const char* name;
        Bytes jpeg;
        const Bytes& original;
        int firstWrong, lastWrong;
        int errorCode = JPEG_ERROR_NONE;
    };
    const Case cases[] = {
        {"restart intervals", restarts, restarts, 0, 0},
        {"interval cut short", cut, restarts, 20, 24},
        {"invalid code in an interval", invalid, restarts, 20, 24},
        {"data ending after three intervals",
         Bytes(restarts.begin(), restarts.begin() + intervalEnd(2)), restarts, 12, 60},
        {"restart interval without markers", InsertBefore(plain, kSos, dri(0, 4)), plain, 4, 60},
        {"restart interval 65535", InsertBefore(plain, kSos, dri(0xFF, 0xFF)), plain, 0, 0},
        {"restart interval 0", InsertBefore(plain, kSos, dri(0, 0)), plain, 0, 0},
        {"no end of image", Bytes(plain.begin(), plain.begin() + scanEnd), plain, 0, 0},
        {"scan data cut in half",
         Bytes(plain.begin(), plain.begin() + (sos.offset + sos.size + scanEnd) / 2), plain, 10,
         60},
        {"junk, fill bytes, comments, unknown markers", noisy, plain, 0, 0},
        // A bad table after the scan data ends the scan but keeps the picture, with the code.
        {"bad Huffman table after the scan data",
         InsertBefore(plain, kEoi, {0xFF, 0xC4, 0x00, 0x03, 0x30}), plain, 0, 0,
         JPEG_ERROR_HUFFMAN_TABLE},
        {"bad quantisation table after the scan data",
         InsertBefore(plain, kEoi, {0xFF, 0xDB, 0x00, 0x03, 0x04}), plain, 0, 0,
         JPEG_ERROR_QUANT_TABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh decoder, so that an earlier picture's plane set cannot hide missing writes.
        DecoderPtr decoder = MakeDecoder(256, 256);
        JpegPicture picture{};
        ASSERT_EQ(Decode(decoder.get(), c.jpeg, &picture), 0);
        const YuvPicture reference = ReferenceDecode(c.original);
        EXPECT_EQ(picture.damaged, c.firstWrong < c.lastWrong ? 1 : 0);
        EXPECT_EQ(picture.errorCode, c.errorCode);
        if (c.firstWrong == c.lastWrong) {
            ExpectPlanesMatch(reference, picture);
            continue;
        }
        for (int plane = 0; plane < 3; ++plane) {
            EXPECT_LE(
                ComparePlane(reference, plane, picture, c.firstWrong, c.lastWrong).maxDifference,
                kMaxSampleDifference);
        }
        EXPECT_GT(ComparePlane(reference, 0, picture, 0, c.firstWrong).maxDifference,
                  kMaxSampleDifference)
            << "the damage should not look intact";
    }
}

// A DHT segment (DC table 0) with codes[i] codes of i + 1 bits and `symbols` symbols.
Bytes HuffmanSegment(std::initializer_list<std::pair<int, int>> codes, int symbols) {
    const int length = 2 + 1 + 16 + symbols;
    Bytes segment = {0xFF, 0xC4, static_cast<uint8_t>(length >> 8),
                     static_cast<uint8_t>(length & 0xFF), 0x00};
    segment.resize(5 + 16 + static_cast<size_t>(symbols), 0);
    for (const auto& [bits, count] : codes) {
        segment[4 + static_cast<size_t>(bits)] = static_cast<uint8_t>(count);
    }
    return segment;
}

// One case for each refusal of the header parsers and the marker scan; the size limits one past
// the decoder's maximum (a picture at the maximum decodes: PictureAtUnalignedMaximum).
TEST(DecoderErrorTest, EachHeaderRefusalGivesItsCode) {
    const Bytes valid = CompressYuv(MakeNaturalPicture(48, 32, TJSAMP_420, 1));
    const auto before = [&](uint8_t code, const Bytes& segment) {
        return InsertBefore(valid, code, segment);
    };
    const auto patched = [&](uint8_t code, size_t index, uint8_t value) {
        return WithBodyByte(valid, code, index, value);
    };
    const MarkerSegment sof = FindSegment(valid, kSof0);
    Bytes sof1(valid.begin() + static_cast<ptrdiff_t>(sof.offset),
               valid.begin() + static_cast<ptrdiff_t>(sof.offset + sof.size));
    sof1[1] = 0xC1;
    const Bytes dri5 = {0xFF, 0xDD, 0x00, 0x05, 0, 1, 0};
    // Frame header body: precision 0, height 1-2, width 3-4, count 5, then per component id,
    // sampling, table at 6 + 3i. Scan header body: count 0, then per component id and tables at
    // 1 + 2i, then Ss, Se, Ah/Al.
    const std::tuple<const char*, Bytes, int> cases[] = {
        {"precision 12", patched(kSof0, 0, 12), JPEG_ERROR_UNSUPPORTED},
        {"quantisation table 4", patched(kSof0, 6 + 3 * 2 + 2, 4), JPEG_ERROR_UNSUPPORTED},
        {"greyscale", before(kSof0, {0xFF, 0xC0, 0, 11, 8, 0, 32, 0, 48, 1, 1, 0x11, 0}),
         JPEG_ERROR_GREYSCALE},
        {"width 0", patched(kSof0, 4, 0), JPEG_ERROR_SIZE},
        {"height 0", patched(kSof0, 2, 0), JPEG_ERROR_SIZE},
        {"width one above the maximum", patched(kSof0, 4, 65), JPEG_ERROR_SIZE},
        {"height one above the maximum", patched(kSof0, 2, 65), JPEG_ERROR_SIZE},
        {"frame length", patched(kSof0, 5, 2), JPEG_ERROR_FRAME_LENGTH},
        {"luma 4x1", patched(kSof0, 6 + 1, 0x41), JPEG_ERROR_LUMA_SAMPLING},
        {"luma 3x1", patched(kSof0, 6 + 1, 0x31), JPEG_ERROR_COMPONENTS},
        {"chroma 2x1", patched(kSof0, 6 + 3 + 1, 0x21), JPEG_ERROR_COMPONENTS},
        {"four components", before(kSof0, {0xFF, 0xC0, 0x00, 0x14, 8, 0, 32,   0, 48, 4,    1,
                                           0x22, 0,    2,    0x11, 1, 3, 0x11, 1, 4,  0x11, 1}),
         JPEG_ERROR_COMPONENTS},
        {"16-bit quantisation table", patched(kDqt, 0, 0x10), JPEG_ERROR_QUANT_TABLE},
        {"quantisation table runs past its segment",
         before(kSof0, {0xFF, 0xDB, 0x00, 0x10, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
         JPEG_ERROR_QUANT_TABLE},
        {"Huffman table class 2", patched(kDht, 0, 0x20), JPEG_ERROR_HUFFMAN_TABLE},
        {"three codes of one bit", before(kSof0, HuffmanSegment({{1, 3}}, 3)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"256 symbols (that fit)", before(kSof0, HuffmanSegment({{15, 1}, {16, 255}}, 256)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"Huffman symbols run past their segment", before(kSof0, HuffmanSegment({{3, 5}}, 2)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"restart interval length 5 after the scan data", before(kEoi, dri5),
         JPEG_ERROR_RESTART_LENGTH},
        {"extended frame (SOF1) after the scan data", before(kEoi, sof1), JPEG_ERROR_UNSUPPORTED},
        {"scan with AC table 2", patched(kSos, 1 + 2 * 1 + 1, 0x02), JPEG_ERROR_NONE},
        {"no scan", Bytes(valid.begin(), valid.begin() + FindSegment(valid, kSos).offset),
         JPEG_ERROR_NONE},
        {"no start of image", Bytes(valid.begin() + 2, valid.end()), JPEG_ERROR_NONE},
    };
    DecoderPtr decoder = MakeDecoder(64, 64);
    ASSERT_TRUE(decoder);
    for (const auto& [cause, jpeg, code] : cases) {
        SCOPED_TRACE(cause);
        JpegPicture picture{};
        std::memset(&picture, 0x5A, sizeof(picture));
        EXPECT_EQ(Decode(decoder.get(), jpeg, &picture, 3, 4), -1);
        // Null planes, zero sizes, caller values and flags, layout 5 and the code.
        const JpegPicture& p = picture;
        EXPECT_TRUE(p.y == nullptr && p.cb == nullptr && p.cr == nullptr);
        EXPECT_EQ(std::tie(p.width, p.height, p.lumaStride, p.chromaStride, p.layout, p.damaged,
                           p.callerValue1, p.callerValue2, p.reserved1, p.errorCode, p.reserved2),
                  std::make_tuple(0, 0, 0, 0, JPEG_LAYOUT_NONE, 0, 0, 0, 0, code, 0));
        // The decoder is not left in a bad state: the next valid picture decodes.
        EXPECT_EQ(Decode(decoder.get(), valid, &picture), 0);
    }
}

}  // namespace
}  // namespace vyr::test
