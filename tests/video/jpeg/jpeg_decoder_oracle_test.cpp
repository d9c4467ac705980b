// Decoded samples against libjpeg-turbo: every subsampling, odd and even sizes, several
// qualities and Huffman tables fitted to the picture, through both block routines; the two
// routines must also agree bit for bit. Plus the layout, strides and MCU rows of the camera's
// frame sizes.
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "tests/video/jpeg/decoder_fixture.h"

namespace vyr::test {
namespace {

struct OracleCase {
    int width;
    int height;
    int subsampling;
    int quality;
    bool optimize;
};

std::string CaseName(const testing::TestParamInfo<OracleCase>& info) {
    static const char* const kNames[] = {"444", "422", "420", "gray", "440", "411"};
    const OracleCase& c = info.param;
    return std::string("s") + kNames[c.subsampling] + "_" + std::to_string(c.width) + "x" +
           std::to_string(c.height) + "_q" + std::to_string(c.quality) +
           (c.optimize ? "_fitted" : "");
}

class OracleTest : public testing::TestWithParam<OracleCase> {};

TEST_P(OracleTest, BothRoutinesMatchReferenceAndEachOther) {
    const OracleCase& c = GetParam();
    const YuvPicture source = MakeNaturalPicture(c.width, c.height, c.subsampling, 7);
    CompressOptions options;
    options.quality = c.quality;
    options.optimize = c.optimize;
    const std::vector<uint8_t> jpeg = CompressYuv(source, options);
    const YuvPicture reference = ReferenceDecode(jpeg);

    DecoderPtr fast = MakeDecoder(1024, 1024);
    DecoderPtr portable = MakeDecoder(1024, 1024, true);
    ASSERT_TRUE(fast && portable);
    JpegPicture fastPicture{};
    JpegPicture portablePicture{};
    ASSERT_EQ(Decode(fast.get(), jpeg, &fastPicture, 11, -12), 0);
    ASSERT_EQ(Decode(portable.get(), jpeg, &portablePicture), 0);

    const int layout = LayoutForSubsampling(c.subsampling);
    const int mcuWidth = (layout == JPEG_LAYOUT_420 || layout == JPEG_LAYOUT_422) ? 16 : 8;
    const int roundedWidth = (c.width + mcuWidth - 1) / mcuWidth * mcuWidth;
    EXPECT_EQ(fastPicture.layout, layout);
    EXPECT_EQ(fastPicture.width, c.width);
    EXPECT_EQ(fastPicture.height, c.height);
    EXPECT_EQ(fastPicture.lumaStride, roundedWidth);
    EXPECT_EQ(fastPicture.chromaStride, mcuWidth == 16 ? roundedWidth / 2 : roundedWidth);
    EXPECT_EQ(fastPicture.damaged, 0);
    EXPECT_EQ(fastPicture.errorCode, 0);
    EXPECT_EQ(fastPicture.callerValue1, 11);
    EXPECT_EQ(fastPicture.callerValue2, -12);

    {
        SCOPED_TRACE("vector routine");
        ExpectPlanesMatch(reference, fastPicture);
    }
    {
        SCOPED_TRACE("portable routine");
        ExpectPlanesMatch(reference, portablePicture);
    }
    for (int plane = 0; plane < 3; ++plane) {
        for (int row = 0; row < reference.planeHeight[plane]; ++row) {
            const size_t offset = static_cast<size_t>(row) * StrideOf(fastPicture, plane);
            ASSERT_EQ(std::memcmp(PlaneOf(fastPicture, plane) + offset,
                                  PlaneOf(portablePicture, plane) + offset,
                                  static_cast<size_t>(reference.planeWidth[plane])),
                      0)
                << "routines differ in plane " << plane << " row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Subsamplings, OracleTest,
    testing::Values(
        // Each subsampling at sizes below one MCU, at odd sizes and at whole MCUs.
        OracleCase{1, 1, TJSAMP_420, 90, false}, OracleCase{17, 9, TJSAMP_420, 90, false},
        OracleCase{333, 177, TJSAMP_420, 90, false}, OracleCase{640, 480, TJSAMP_420, 90, false},
        OracleCase{7, 23, TJSAMP_422, 90, false}, OracleCase{255, 131, TJSAMP_422, 90, false},
        OracleCase{5, 3, TJSAMP_444, 90, false}, OracleCase{129, 67, TJSAMP_444, 90, false},
        OracleCase{9, 15, TJSAMP_440, 90, false}, OracleCase{201, 99, TJSAMP_440, 90, false},
        // Quality 100 gives large coefficients and long codes; quality 5 mostly DC-only
        // blocks (the flat store); fitted tables give code lengths the standard ones lack.
        OracleCase{211, 97, TJSAMP_420, 100, false}, OracleCase{211, 97, TJSAMP_444, 5, false},
        OracleCase{211, 97, TJSAMP_422, 75, true}, OracleCase{97, 211, TJSAMP_440, 98, true}),
    CaseName);

// The camera's two frame sizes: strides from the layout table; the 1080 rows lie in 68 MCU
// rows, the last one only half visible.
TEST(CameraFrameTest, StridesAndMcuRowsOfCameraSizes) {
    const std::tuple<int, int, int, int> sizes[] = {{1920, 1080, 1920, 960},
                                                    {1280, 1024, 1280, 640}};
    DecoderPtr decoder = MakeDecoder();
    ASSERT_TRUE(decoder);
    for (const auto& [width, height, lumaStride, chromaStride] : sizes) {
        const YuvPicture source = MakeNaturalPicture(width, height, TJSAMP_420, 3);
        const std::vector<uint8_t> jpeg = CompressYuv(source);
        JpegPicture picture{};
        ASSERT_EQ(Decode(decoder.get(), jpeg, &picture), 0);
        EXPECT_EQ(picture.layout, JPEG_LAYOUT_420);
        EXPECT_EQ(picture.lumaStride, lumaStride);
        EXPECT_EQ(picture.chromaStride, chromaStride);
        ExpectPlanesMatch(ReferenceDecode(jpeg), picture);
        if (height == 1080) {
            // Luma rows 1072-1079 and chroma rows 536-539 are the visible part of MCU row 68.
            const YuvPicture reference = ReferenceDecode(jpeg);
            for (int plane = 0; plane < 3; ++plane) {
                const int firstRow = plane == 0 ? 1072 : 536;
                EXPECT_LE(ComparePlane(reference, plane, PlaneOf(picture, plane),
                                       StrideOf(picture, plane), firstRow)
                              .maxDifference,
                          kMaxSampleDifference);
            }
        }
    }
}

}  // namespace
}  // namespace vyr::test
