// Our JPEG decoder against libjpeg-turbo: every subsampling at odd and even sizes, qualities and
// fitted Huffman tables through both block routines (which must agree bit for bit); tables that
// default to Annex K or carry over; the alternating plane sets. Streams made valid by libjpeg-turbo
// and then edited: restart intervals with one damaged, pictures cut short, bytes to skip, and each
// header error with its code and the record a failed decode leaves. Also the size limits.
#include <tuple>

#include "tests/video/jpeg/turbo_oracle.h"

namespace vyr::test {
namespace {

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

// The planes hold whole MCUs, so a picture at a maximum that is no multiple of 16 must not
// spill into the next plane (which would spoil chroma, or run off the end for the last plane).
TEST(PlaneSetTest, PictureAtUnalignedMaximum) {
    DecoderPtr decoder = MakeDecoder(100, 60);
    for (const int subsampling : {TJSAMP_420, TJSAMP_422, TJSAMP_444, TJSAMP_440}) {
        const Bytes jpeg = CompressYuv(MakeNaturalPicture(100, 60, subsampling, 9));
        for (int round = 0; round < 2; ++round) {  // both plane sets
            JpegPicture picture{};
            ASSERT_EQ(Decode(decoder.get(), jpeg, &picture), 0);
            ExpectPlanesMatch(ReferenceDecode(jpeg), picture);
        }
    }
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

Bytes ValidJpeg(int subsampling = TJSAMP_420, const CompressOptions& options = {}) {
    return CompressYuv(MakeNaturalPicture(48, 32, subsampling, 1), options);
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

// A failed decode leaves null planes, zero sizes, caller values and flags, layout 5 and the code.
void ExpectFailureRecord(const JpegPicture& p, int errorCode) {
    EXPECT_TRUE(p.y == nullptr && p.cb == nullptr && p.cr == nullptr);
    EXPECT_EQ(std::tie(p.width, p.height, p.lumaStride, p.chromaStride, p.layout, p.damaged,
                       p.callerValue1, p.callerValue2, p.reserved1, p.errorCode, p.reserved2),
              std::make_tuple(0, 0, 0, 0, JPEG_LAYOUT_NONE, 0, 0, 0, 0, errorCode, 0));
}

// Maxima outside 16..8192 fall back to 2048; inside, they are the limit (error 4 beyond).
TEST(DecoderInterfaceTest, MaximumSizeAndFallback) {
    const Bytes wide = CompressYuv(MakeNaturalPicture(2048, 16, TJSAMP_420, 2));
    const Bytes wider = CompressYuv(MakeNaturalPicture(2049, 16, TJSAMP_420, 2));
    for (const int requested : {9000, 15, -1}) {
        DecoderPtr decoder = MakeDecoder(requested, 64);
        ASSERT_TRUE(decoder);
        JpegPicture picture{};
        EXPECT_EQ(Decode(decoder.get(), wide, &picture), 0) << requested;
        EXPECT_EQ(Decode(decoder.get(), wider, &picture), -1) << requested;
        ExpectFailureRecord(picture, JPEG_ERROR_SIZE);
    }
    JpegPicture picture{};
    EXPECT_EQ(Decode(MakeDecoder(47, 64).get(), ValidJpeg(), &picture, 1, 2), -1);  // 48 wide
    ExpectFailureRecord(picture, JPEG_ERROR_SIZE);
    EXPECT_EQ(Decode(MakeDecoder(48, 32).get(), ValidJpeg(), &picture), 0);
}

TEST(DecoderErrorTest, EachHeaderErrorGivesItsCode) {
    const Bytes valid = ValidJpeg();
    const auto before = [&](uint8_t code, const Bytes& segment) {
        return InsertBefore(valid, code, segment);
    };
    const auto patched = [&](uint8_t code, size_t index, uint8_t value) {
        return WithBodyByte(valid, code, index, value);
    };
    const MarkerSegment sof = FindSegment(valid, kSof0);
    Bytes sof2(valid.begin() + static_cast<ptrdiff_t>(sof.offset),
               valid.begin() + static_cast<ptrdiff_t>(sof.offset + sof.size));
    sof2[1] = 0xC2;
    Bytes sof1 = valid;
    sof1[sof.offset + 1] = 0xC1;
    const Bytes dri5 = {0xFF, 0xDD, 0x00, 0x05, 0, 1, 0};
    // Frame header body: precision 0, height 1-2, width 3-4, count 5, then per component id,
    // sampling, table at 6 + 3i. Scan header body: count 0, then per component id and tables at
    // 1 + 2i, then Ss, Se, Ah/Al.
    const std::tuple<const char*, Bytes, int> cases[] = {
        {"progressive frame (SOF2)", ValidJpeg(TJSAMP_420, {.progressive = true}),
         JPEG_ERROR_UNSUPPORTED},
        {"arithmetic coding (SOF9)", ValidJpeg(TJSAMP_420, {.arithmetic = true}),
         JPEG_ERROR_UNSUPPORTED},
        {"extended frame (SOF1)", sof1, JPEG_ERROR_UNSUPPORTED},
        {"precision 12", patched(kSof0, 0, 12), JPEG_ERROR_UNSUPPORTED},
        {"quantisation table 4", patched(kSof0, 6 + 3 * 2 + 2, 4), JPEG_ERROR_UNSUPPORTED},
        {"greyscale", CompressYuv(MakeNaturalPicture(48, 32, TJSAMP_444, 1), {.grey = true}),
         JPEG_ERROR_GREYSCALE},
        {"width 0", patched(kSof0, 4, 0), JPEG_ERROR_SIZE},
        {"height 0", patched(kSof0, 2, 0), JPEG_ERROR_SIZE},
        {"height above maximum", patched(kSof0, 1, 0x10), JPEG_ERROR_SIZE},
        {"frame length", patched(kSof0, 5, 2), JPEG_ERROR_FRAME_LENGTH},
        {"luma 4x1", patched(kSof0, 6 + 1, 0x41), JPEG_ERROR_LUMA_SAMPLING},
        {"luma 1x4", patched(kSof0, 6 + 1, 0x14), JPEG_ERROR_LUMA_SAMPLING},
        {"luma 3x1", patched(kSof0, 6 + 1, 0x31), JPEG_ERROR_COMPONENTS},
        {"luma 2x2 with chroma 2x1", patched(kSof0, 6 + 3 + 1, 0x21), JPEG_ERROR_COMPONENTS},
        {"chroma 1x2 in 4:4:4", WithBodyByte(ValidJpeg(TJSAMP_444), kSof0, 6 + 6 + 1, 0x12),
         JPEG_ERROR_COMPONENTS},
        {"four components", before(kSof0, {0xFF, 0xC0, 0x00, 0x14, 8, 0, 32,   0, 48, 4,    1,
                                           0x22, 0,    2,    0x11, 1, 3, 0x11, 1, 4,  0x11, 1}),
         JPEG_ERROR_COMPONENTS},
        {"16-bit quantisation table", patched(kDqt, 0, 0x10), JPEG_ERROR_QUANT_TABLE},
        {"quantisation table runs past its segment",
         before(kSof0, {0xFF, 0xDB, 0x00, 0x10, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
         JPEG_ERROR_QUANT_TABLE},
        {"Huffman table class 2", patched(kDht, 0, 0x20), JPEG_ERROR_HUFFMAN_TABLE},
        {"Huffman table number 2", patched(kDht, 0, 0x02), JPEG_ERROR_HUFFMAN_TABLE},
        {"three codes of one bit", before(kSof0, HuffmanSegment({{1, 3}}, 3)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"256 symbols (that fit)", before(kSof0, HuffmanSegment({{15, 1}, {16, 255}}, 256)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"Huffman symbols run past their segment", before(kSof0, HuffmanSegment({{3, 5}}, 2)),
         JPEG_ERROR_HUFFMAN_TABLE},
        {"restart interval length 5", before(kSos, dri5), JPEG_ERROR_RESTART_LENGTH},
        {"restart interval length 5 after the scan data", before(kEoi, dri5),
         JPEG_ERROR_RESTART_LENGTH},
        {"extended frame after the scan data", before(kEoi, sof2), JPEG_ERROR_UNSUPPORTED},
        {"scan with AC table 2", patched(kSos, 1 + 2 * 1 + 1, 0x02), JPEG_ERROR_NONE},
        {"scan with another component", patched(kSos, 1 + 2 * 2, 9), JPEG_ERROR_NONE},
        {"scan with successive approximation", patched(kSos, 9, 0x01), JPEG_ERROR_NONE},
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
        ExpectFailureRecord(picture, code);
        // The decoder is not left in a bad state: the next valid picture decodes.
        EXPECT_EQ(Decode(decoder.get(), valid, &picture), 0);
    }
}

}  // namespace
}  // namespace vyr::test
