// Interface contract and header errors: library information, creation limits, null arguments,
// and each error code from a stream made valid by libjpeg-turbo and then broken in one field,
// with the record a failed decode leaves.
#include <turbojpeg.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "tests/video/jpeg/decoder_fixture.h"
#include "tests/video/jpeg/jpeg_stream_edit.h"

namespace vyr::test {
namespace {

constexpr uint8_t kSof0 = 0xC0;
constexpr uint8_t kDht = 0xC4;
constexpr uint8_t kDqt = 0xDB;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kEoi = 0xD9;

std::vector<uint8_t> ValidJpeg(int subsampling = TJSAMP_420) {
    return CompressYuv(MakeNaturalPicture(48, 32, subsampling, 1));
}

// A DHT segment (DC table 0) with `count` codes of `length` bits and `symbols` symbols.
std::vector<uint8_t> HuffmanSegment(int length, uint8_t count, int symbols) {
    std::vector<uint8_t> segment = {0xFF, 0xC4, 0x00, static_cast<uint8_t>(2 + 1 + 16 + symbols),
                                    0x00};
    for (int i = 1; i <= 16; ++i) {
        segment.push_back(i == length ? count : 0);
    }
    for (int i = 0; i < symbols; ++i) {
        segment.push_back(static_cast<uint8_t>(i));
    }
    return segment;
}

// A failed decode leaves null planes, zero sizes, caller values and flags, layout 5 and the code.
void ExpectFailureRecord(const JpegPicture& p, int errorCode) {
    EXPECT_TRUE(p.y == nullptr && p.cb == nullptr && p.cr == nullptr);
    EXPECT_EQ(std::tie(p.width, p.height, p.lumaStride, p.chromaStride, p.layout, p.damaged,
                       p.callerValue1, p.callerValue2, p.reserved1, p.errorCode, p.reserved2),
              std::make_tuple(0, 0, 0, 0, JPEG_LAYOUT_NONE, 0, 0, 0, 0, errorCode, 0));
}

TEST(DecoderInterfaceTest, InfoCreateAndNullArguments) {
    EXPECT_EQ(JpegDecoderGetInfo(nullptr), -1);
    JpegDecoderInfo info{};
    ASSERT_EQ(JpegDecoderGetInfo(&info), 0);
    EXPECT_EQ(std::string(info.versionText), "V1.0.0.5");
    EXPECT_EQ(JpegDecoderCreate(nullptr), nullptr);
    JpegDecoderDestroy(nullptr);

    DecoderPtr decoder = MakeDecoder(64, 64);
    ASSERT_TRUE(decoder);
    const std::vector<uint8_t> jpeg = ValidJpeg();
    JpegPicture picture{};
    EXPECT_EQ(
        JpegDecoderDecode(nullptr, jpeg.data(), static_cast<int>(jpeg.size()), 0, 0, &picture, 0),
        -2);
    EXPECT_EQ(JpegDecoderDecode(decoder.get(), nullptr, 10, 0, 0, &picture, 0), -2);
    EXPECT_EQ(JpegDecoderDecode(decoder.get(), jpeg.data(), static_cast<int>(jpeg.size()), 0, 0,
                                nullptr, 0),
              -2);
    // Empty and negative lengths hold no picture.
    picture.callerValue1 = 5;
    EXPECT_EQ(JpegDecoderDecode(decoder.get(), jpeg.data(), 0, 5, 6, &picture, 0), -1);
    ExpectFailureRecord(picture, 0);
    EXPECT_EQ(JpegDecoderDecode(decoder.get(), jpeg.data(), -7, 5, 6, &picture, 0), -1);
    ExpectFailureRecord(picture, 0);
}

// Maxima outside 16..8192 fall back to 2048; inside, they are the limit (error 4 beyond).
TEST(DecoderInterfaceTest, MaximumSizeAndFallback) {
    const YuvPicture wide = MakeNaturalPicture(2048, 16, TJSAMP_420, 2);
    const YuvPicture wider = MakeNaturalPicture(2049, 16, TJSAMP_420, 2);
    const std::vector<uint8_t> wideJpeg = CompressYuv(wide);
    const std::vector<uint8_t> widerJpeg = CompressYuv(wider);
    for (const int requested : {9000, 15, -1}) {
        DecoderPtr decoder = MakeDecoder(requested, 64);
        ASSERT_TRUE(decoder);
        JpegPicture picture{};
        EXPECT_EQ(Decode(decoder.get(), wideJpeg, &picture), 0) << requested;
        EXPECT_EQ(Decode(decoder.get(), widerJpeg, &picture), -1) << requested;
        ExpectFailureRecord(picture, JPEG_ERROR_SIZE);
    }
    DecoderPtr small = MakeDecoder(47, 64);
    JpegPicture picture{};
    EXPECT_EQ(Decode(small.get(), ValidJpeg(), &picture, 1, 2), -1);  // 48 wide
    ExpectFailureRecord(picture, JPEG_ERROR_SIZE);
    DecoderPtr exact = MakeDecoder(48, 32);
    EXPECT_EQ(Decode(exact.get(), ValidJpeg(), &picture), 0);
}

struct BrokenStream {
    const char* cause;
    std::function<std::vector<uint8_t>()> make;
    int expectedCode;
};

TEST(DecoderErrorTest, EachHeaderErrorGivesItsCode) {
    const auto patched = [](uint8_t code, size_t index, uint8_t value,
                            int subsampling = TJSAMP_420) {
        return [=] {
            std::vector<uint8_t> jpeg = ValidJpeg(subsampling);
            BodyByte(jpeg, code, index) = value;
            return jpeg;
        };
    };
    const auto withSegmentBefore = [](uint8_t code, std::vector<uint8_t> segment) {
        return [=] { return InsertBefore(ValidJpeg(), code, segment); };
    };
    // Frame header body: precision 0, height 1-2, width 3-4, count 5, then per component
    // id, sampling, table at 6 + 3i.
    const BrokenStream cases[] = {
        {"progressive frame (SOF2)",
         [] {
             CompressOptions options;
             options.progressive = true;
             return CompressYuv(MakeNaturalPicture(48, 32, TJSAMP_420, 1), options);
         },
         JPEG_ERROR_UNSUPPORTED},
        {"arithmetic coding (SOF9)",
         [] {
             CompressOptions options;
             options.arithmetic = true;
             return CompressYuv(MakeNaturalPicture(48, 32, TJSAMP_420, 1), options);
         },
         JPEG_ERROR_UNSUPPORTED},
        {"extended frame (SOF1)",
         [] {
             std::vector<uint8_t> jpeg = ValidJpeg();
             jpeg[FindSegment(jpeg, kSof0).offset + 1] = 0xC1;
             return jpeg;
         },
         JPEG_ERROR_UNSUPPORTED},
        {"precision 12", patched(kSof0, 0, 12), JPEG_ERROR_UNSUPPORTED},
        {"quantisation table 4", patched(kSof0, 6 + 3 * 2 + 2, 4), JPEG_ERROR_UNSUPPORTED},
        {"greyscale", [] { return CompressGrey(MakeNaturalPicture(48, 32, TJSAMP_444, 1), 90); },
         JPEG_ERROR_GREYSCALE},
        {"width 0", patched(kSof0, 4, 0), JPEG_ERROR_SIZE},
        {"height 0", patched(kSof0, 2, 0), JPEG_ERROR_SIZE},
        {"height above maximum", patched(kSof0, 1, 0x10), JPEG_ERROR_SIZE},
        {"frame length", patched(kSof0, 5, 2), JPEG_ERROR_FRAME_LENGTH},
        {"luma 4x1", patched(kSof0, 6 + 1, 0x41), JPEG_ERROR_LUMA_SAMPLING},
        {"luma 1x4", patched(kSof0, 6 + 1, 0x14), JPEG_ERROR_LUMA_SAMPLING},
        {"luma 3x1", patched(kSof0, 6 + 1, 0x31), JPEG_ERROR_COMPONENTS},
        {"luma 2x2 with chroma 2x1", patched(kSof0, 6 + 3 + 1, 0x21), JPEG_ERROR_COMPONENTS},
        {"chroma 1x2 in 4:4:4", patched(kSof0, 6 + 6 + 1, 0x12, TJSAMP_444), JPEG_ERROR_COMPONENTS},
        {"four components",
         withSegmentBefore(kSof0, {0xFF, 0xC0, 0x00, 0x14, 8, 0, 32,   0, 48, 4,    1,
                                   0x22, 0,    2,    0x11, 1, 3, 0x11, 1, 4,  0x11, 1}),
         JPEG_ERROR_COMPONENTS},
        {"16-bit quantisation table", patched(kDqt, 0, 0x10), JPEG_ERROR_QUANT_TABLE},
        {"quantisation table runs past its segment",
         withSegmentBefore(
             kSof0, {0xFF, 0xDB, 0x00, 0x10, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
         JPEG_ERROR_QUANT_TABLE},
        {"Huffman table class 2", patched(kDht, 0, 0x20), JPEG_ERROR_HUFFMAN_TABLE},
        {"Huffman table number 2", patched(kDht, 0, 0x02), JPEG_ERROR_HUFFMAN_TABLE},
        {"three codes of one bit", withSegmentBefore(kSof0, HuffmanSegment(1, 3, 3)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"256 symbols",
         [] {
             // 255 codes of 16 bits and one of 15 bits: they fit, but are 256.
             std::vector<uint8_t> segment(2 + 2 + 1 + 16 + 256, 0);
             segment[0] = 0xFF;
             segment[1] = 0xC4;
             segment[2] = 0x01;
             segment[3] = 0x13;
             segment[5 + 14] = 1;
             segment[5 + 15] = 255;
             return InsertBefore(ValidJpeg(), kSof0, segment);
         },
         JPEG_ERROR_HUFFMAN_TABLE},
        {"Huffman symbols run past their segment",
         withSegmentBefore(kSof0, HuffmanSegment(3, 5, 2)), JPEG_ERROR_HUFFMAN_TABLE},
        {"restart interval length 5", withSegmentBefore(kSos, {0xFF, 0xDD, 0x00, 0x05, 0, 1, 0}),
         JPEG_ERROR_RESTART_LENGTH},
        {"restart interval length 5 after the scan data",
         [] {
             return InsertBefore(ValidJpeg(), kEoi, {0xFF, 0xDD, 0x00, 0x05, 0, 1, 0});
         },
         JPEG_ERROR_RESTART_LENGTH},
        {"extended frame after the scan data",
         [] {
             std::vector<uint8_t> jpeg = ValidJpeg();
             const MarkerSegment sof = FindSegment(jpeg, kSof0);
             std::vector<uint8_t> copy(
                 jpeg.begin() + static_cast<ptrdiff_t>(sof.offset),
                 jpeg.begin() + static_cast<ptrdiff_t>(sof.offset + sof.size));
             copy[1] = 0xC2;
             return InsertBefore(jpeg, kEoi, copy);
         },
         JPEG_ERROR_UNSUPPORTED},
        {"scan with AC table 2", patched(kSos, 1 + 2 * 1 + 1, 0x02), JPEG_ERROR_NONE},
        {"scan with another component", patched(kSos, 1 + 2 * 2, 9), JPEG_ERROR_NONE},
        {"scan with successive approximation", patched(kSos, 9, 0x01), JPEG_ERROR_NONE},
        {"no scan",
         [] {
             std::vector<uint8_t> jpeg = ValidJpeg();
             jpeg.resize(FindSegment(jpeg, kSos).offset);
             return jpeg;
         },
         JPEG_ERROR_NONE},
        {"no start of image",
         [] {
             std::vector<uint8_t> jpeg = ValidJpeg();
             jpeg.erase(jpeg.begin(), jpeg.begin() + 2);
             return jpeg;
         },
         JPEG_ERROR_NONE},
    };
    DecoderPtr decoder = MakeDecoder(64, 64);
    ASSERT_TRUE(decoder);
    for (const BrokenStream& broken : cases) {
        SCOPED_TRACE(broken.cause);
        JpegPicture picture{};
        std::memset(&picture, 0x5A, sizeof(picture));
        EXPECT_EQ(Decode(decoder.get(), broken.make(), &picture, 3, 4), -1);
        ExpectFailureRecord(picture, broken.expectedCode);
        // The decoder is not left in a bad state: the next valid picture decodes.
        JpegPicture good{};
        EXPECT_EQ(Decode(decoder.get(), ValidJpeg(), &good), 0);
    }
}

// A bad table after the scan data ends the scan but keeps the picture: success with the code.
TEST(DecoderErrorTest, TableErrorAfterScanDataKeepsPicture) {
    const std::vector<uint8_t> valid = ValidJpeg();
    const YuvPicture reference = ReferenceDecode(valid);
    DecoderPtr decoder = MakeDecoder(64, 64);
    const std::pair<std::vector<uint8_t>, int> cases[] = {
        {InsertBefore(valid, kEoi, {0xFF, 0xC4, 0x00, 0x03, 0x30}), JPEG_ERROR_HUFFMAN_TABLE},
        {InsertBefore(valid, kEoi, {0xFF, 0xDB, 0x00, 0x03, 0x04}), JPEG_ERROR_QUANT_TABLE},
    };
    for (const auto& [jpeg, code] : cases) {
        JpegPicture picture{};
        ASSERT_EQ(Decode(decoder.get(), jpeg, &picture, 8, 9), 0);
        EXPECT_EQ(picture.errorCode, code);
        EXPECT_EQ(picture.callerValue1, 8);
        EXPECT_EQ(picture.damaged, 0);
        ExpectPlanesMatch(reference, picture);
    }
}

}  // namespace
}  // namespace vyr::test
