// Stream-level behaviour against libjpeg-turbo: tables that default to Annex K or carry over,
// restart intervals with one damaged interval, pictures cut short, the alternating plane sets,
// pictures at a maximum that is no multiple of 16, and bytes that must be skipped.
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/video/jpeg/decoder_fixture.h"
#include "tests/video/jpeg/jpeg_stream_edit.h"

namespace vyr::test {
namespace {

constexpr uint8_t kDht = 0xC4;
constexpr uint8_t kDqt = 0xDB;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kEoi = 0xD9;

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

std::vector<uint8_t> StripTables(const std::vector<uint8_t>& jpeg) {
    return RemoveSegments(RemoveSegments(jpeg, kDht), kDqt);
}

// Largest difference between our samples and the reference over the samples whose 4:2:0 MCU
// index lies outside [firstSkipped, lastSkipped).
int MaxDifferenceOutside(const YuvPicture& reference, const JpegPicture& picture, int firstSkipped,
                         int lastSkipped) {
    const int mcusPerRow = (reference.width + 15) / 16;
    int maxDifference = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int mcuSize = plane == 0 ? 16 : 8;
        for (int row = 0; row < reference.planeHeight[plane]; ++row) {
            for (int column = 0; column < reference.planeWidth[plane]; ++column) {
                const int mcu = (row / mcuSize) * mcusPerRow + column / mcuSize;
                if (mcu >= firstSkipped && mcu < lastSkipped) {
                    continue;
                }
                const int expected =
                    reference.planes[plane][static_cast<size_t>(row) * reference.planeWidth[plane] +
                                            column];
                const int ours = PlaneOf(
                    picture, plane)[static_cast<size_t>(row) * StrideOf(picture, plane) + column];
                maxDifference = std::max(maxDifference, std::abs(expected - ours));
            }
        }
    }
    return maxDifference;
}

TEST(TableTest, StreamWithoutTablesUsesAnnexKTables) {
    // Quality 50 with the standard Huffman tables is exactly what Annex K describes.
    CompressOptions options;
    options.quality = 50;
    const std::vector<uint8_t> jpeg =
        CompressYuv(MakeNaturalPicture(99, 61, TJSAMP_422, 4), options);
    const YuvPicture reference = ReferenceDecode(jpeg);
    DecoderPtr decoder = MakeDecoder(128, 128);
    JpegPicture picture{};
    ASSERT_EQ(Decode(decoder.get(), StripTables(jpeg), &picture), 0);
    EXPECT_EQ(picture.damaged, 0);
    ExpectPlanesMatch(reference, picture);
    // A slightly wrong default table can stay within the tolerance; the same stream with its
    // tables must give exactly the same samples.
    DecoderPtr withTables = MakeDecoder(128, 128);
    JpegPicture explicitPicture{};
    ASSERT_EQ(Decode(withTables.get(), jpeg, &explicitPicture), 0);
    EXPECT_TRUE(SamePlanes(reference, picture, explicitPicture));
}

TEST(TableTest, TablesOfAnEarlierPictureCarryOver) {
    // Fitted Huffman tables and quality-80 quantisation: neither is the Annex K default.
    CompressOptions options;
    options.quality = 80;
    options.optimize = true;
    const std::vector<uint8_t> jpeg =
        CompressYuv(MakeNaturalPicture(64, 48, TJSAMP_420, 5), options);
    const std::vector<uint8_t> stripped = StripTables(jpeg);
    const YuvPicture reference = ReferenceDecode(jpeg);

    DecoderPtr fresh = MakeDecoder(64, 64);
    JpegPicture freshPicture{};
    const int freshResult = Decode(fresh.get(), stripped, &freshPicture);
    const bool isFreshWrong =
        freshResult != 0 || freshPicture.damaged != 0 ||
        ComparePlane(reference, 0, freshPicture.y, freshPicture.lumaStride).maxDifference > 2;
    EXPECT_TRUE(isFreshWrong) << "the stripped stream must need the earlier tables";

    DecoderPtr decoder = MakeDecoder(64, 64);
    JpegPicture picture{};
    ASSERT_EQ(Decode(decoder.get(), jpeg, &picture), 0);
    JpegPicture strippedPicture{};
    ASSERT_EQ(Decode(decoder.get(), stripped, &strippedPicture), 0);
    EXPECT_EQ(strippedPicture.damaged, 0);
    ExpectPlanesMatch(reference, strippedPicture);
    EXPECT_TRUE(SamePlanes(reference, picture, strippedPicture));
}

class RestartTest : public testing::Test {
protected:
    static constexpr int kWidth = 160;  // 10 x 6 MCUs of 16 x 16
    static constexpr int kHeight = 96;
    static constexpr int kInterval = 4;  // MCUs per interval: 15 intervals
    void SetUp() override {
        CompressOptions options;
        options.restart = std::to_string(kInterval) + "B";
        jpeg_ = CompressYuv(MakeNaturalPicture(kWidth, kHeight, TJSAMP_420, 6), options);
        reference_ = ReferenceDecode(jpeg_);
        decoder_ = MakeDecoder(256, 256);
        ASSERT_EQ(Decode(decoder_.get(), jpeg_, &intact_), 0);
    }
    // The entropy-coded bytes of interval k lie between RST(k-1) (or the SOS header) and RSTk.
    size_t IntervalStart(int k) const {
        const MarkerSegment before =
            k == 0 ? FindSegment(jpeg_, kSos) : FindRestartMarker(jpeg_, k - 1);
        return before.offset + before.size;
    }
    size_t IntervalEnd(int k) const { return FindRestartMarker(jpeg_, k).offset; }

    std::vector<uint8_t> jpeg_;
    YuvPicture reference_;
    DecoderPtr decoder_;
    JpegPicture intact_{};
};

TEST_F(RestartTest, IntervalsDecodeLikeReference) {
    EXPECT_EQ(CountRestartMarkers(jpeg_), 60 / kInterval - 1);
    EXPECT_EQ(intact_.damaged, 0);
    ExpectPlanesMatch(reference_, intact_);
}

TEST_F(RestartTest, DamagedIntervalLeavesTheOthersIntact) {
    const int damagedInterval = 5;
    const size_t start = IntervalStart(damagedInterval);
    const size_t end = IntervalEnd(damagedInterval);
    std::vector<uint8_t> cut = jpeg_;  // second half of the interval missing: reads past its end
    cut.erase(cut.begin() + static_cast<ptrdiff_t>((start + end) / 2),
              cut.begin() + static_cast<ptrdiff_t>(end));
    std::vector<uint8_t> invalid = jpeg_;  // all one bits: no code of any standard table
    for (size_t i = start; i + 1 < end; i += 2) {
        invalid[i] = 0xFF;
        invalid[i + 1] = 0x00;
    }
    for (const auto& [name, broken] : {std::pair{"cut", cut}, std::pair{"invalid code", invalid}}) {
        SCOPED_TRACE(name);
        // A fresh decoder, so that the intact picture's plane set cannot hide missing writes.
        DecoderPtr decoder = MakeDecoder(256, 256);
        JpegPicture picture{};
        ASSERT_EQ(Decode(decoder.get(), broken, &picture), 0);
        EXPECT_EQ(picture.damaged, 1);
        const int first = damagedInterval * kInterval;
        EXPECT_LE(MaxDifferenceOutside(reference_, picture, first, first + kInterval),
                  kMaxSampleDifference);
        EXPECT_GT(MaxDifferenceOutside(reference_, picture, 0, first), kMaxSampleDifference)
            << "the damaged interval should not look intact";
    }
}

TEST_F(RestartTest, DataEndingAtAnIntervalBoundaryIsDamaged) {
    // Three whole intervals, then nothing: the picture is returned, the rest never decoded.
    std::vector<uint8_t> shortened(jpeg_.begin(),
                                   jpeg_.begin() + static_cast<ptrdiff_t>(IntervalEnd(2)));
    DecoderPtr decoder = MakeDecoder(256, 256);
    JpegPicture picture{};
    ASSERT_EQ(Decode(decoder.get(), shortened, &picture), 0);
    EXPECT_EQ(picture.damaged, 1);
    EXPECT_LE(MaxDifferenceOutside(reference_, picture, 3 * kInterval, 1000), kMaxSampleDifference);
}

TEST_F(RestartTest, RestartIntervalWithoutMarkersLeavesTheRestUndecoded) {
    // DRI of 4 MCUs in a stream without RST markers: only the first interval decodes.
    CompressOptions options;
    const std::vector<uint8_t> plain =
        CompressYuv(MakeNaturalPicture(kWidth, kHeight, TJSAMP_420, 6), options);
    JpegPicture picture{};
    ASSERT_EQ(
        Decode(decoder_.get(), InsertBefore(plain, kSos, RestartIntervalSegment(4)), &picture), 0);
    EXPECT_EQ(picture.damaged, 1);
    // Huge and zero intervals mean one interval for the whole picture.
    for (const int interval : {65535, 0}) {
        ASSERT_EQ(Decode(decoder_.get(),
                         InsertBefore(plain, kSos, RestartIntervalSegment(interval)), &picture),
                  0);
        EXPECT_EQ(picture.damaged, 0) << interval;
        ExpectPlanesMatch(ReferenceDecode(plain), picture);
    }
}

TEST(TruncationTest, PictureCutAfterOrInsideScanData) {
    const std::vector<uint8_t> jpeg = CompressYuv(MakeNaturalPicture(200, 120, TJSAMP_444, 8));
    const YuvPicture reference = ReferenceDecode(jpeg);
    DecoderPtr decoder = MakeDecoder(256, 256);
    JpegPicture picture{};

    std::vector<uint8_t> withoutEnd = jpeg;
    withoutEnd.resize(FindSegment(jpeg, kEoi).offset);
    ASSERT_EQ(Decode(decoder.get(), withoutEnd, &picture), 0);
    EXPECT_EQ(picture.damaged, 0);
    ExpectPlanesMatch(reference, picture);

    const MarkerSegment sos = FindSegment(jpeg, kSos);
    std::vector<uint8_t> half = jpeg;
    half.resize(sos.offset + sos.size + (withoutEnd.size() - sos.offset - sos.size) / 2);
    ASSERT_EQ(Decode(decoder.get(), half, &picture), 0);
    EXPECT_EQ(picture.damaged, 1);
    for (int plane = 0; plane < 3; ++plane) {  // the first MCU row had all its data
        EXPECT_LE(
            ComparePlane(reference, plane, PlaneOf(picture, plane), StrideOf(picture, plane), 0, 8)
                .maxDifference,
            kMaxSampleDifference);
    }
}

TEST(PlaneSetTest, ConsecutivePicturesAlternateAndStayIntact) {
    std::vector<uint8_t> jpegs[3];
    YuvPicture references[3];
    for (int i = 0; i < 3; ++i) {
        jpegs[i] = CompressYuv(MakeNaturalPicture(80, 48, TJSAMP_420, 20 + i));
        references[i] = ReferenceDecode(jpegs[i]);
    }
    DecoderPtr decoder = MakeDecoder(128, 128);
    JpegPicture first{};
    JpegPicture second{};
    JpegPicture third{};
    ASSERT_EQ(Decode(decoder.get(), jpegs[0], &first), 0);
    ASSERT_EQ(Decode(decoder.get(), jpegs[1], &second), 0);
    EXPECT_NE(second.y, first.y);
    EXPECT_NE(second.cb, first.cb);
    ExpectPlanesMatch(references[0], first);  // untouched by the second decode
    const std::vector<uint8_t> garbage(100, 0x42);
    JpegPicture failed{};
    ASSERT_EQ(Decode(decoder.get(), garbage, &failed), -1);
    ASSERT_EQ(Decode(decoder.get(), jpegs[2], &third), 0);
    EXPECT_EQ(third.y, first.y) << "a failed decode must not switch plane sets";
    EXPECT_EQ(third.cr, first.cr);
    ExpectPlanesMatch(references[1], second);
    ExpectPlanesMatch(references[2], third);
}

// The planes hold whole MCUs, so a picture at a maximum that is no multiple of 16 must not
// spill into the next plane (which would spoil chroma, or run off the end for the last plane).
TEST(PlaneSetTest, PictureAtUnalignedMaximum) {
    DecoderPtr decoder = MakeDecoder(100, 60);
    for (const int subsampling : {TJSAMP_420, TJSAMP_422, TJSAMP_444, TJSAMP_440}) {
        const std::vector<uint8_t> jpeg = CompressYuv(MakeNaturalPicture(100, 60, subsampling, 9));
        const YuvPicture reference = ReferenceDecode(jpeg);
        for (int round = 0; round < 2; ++round) {  // both plane sets
            JpegPicture picture{};
            ASSERT_EQ(Decode(decoder.get(), jpeg, &picture), 0);
            ExpectPlanesMatch(reference, picture);
        }
    }
}

TEST(SkippedBytesTest, JunkFillBytesAndApplicationSegmentsAreSkipped) {
    const std::vector<uint8_t> jpeg = CompressYuv(MakeNaturalPicture(40, 40, TJSAMP_420, 10));
    // Fill bytes before the scan, a comment holding 0xFF bytes, an unknown marker.
    std::vector<uint8_t> edited =
        InsertBefore(jpeg, kSos, {0xFF, 0xFE, 0x00, 0x06, 0xFF, 0xD9, 0xFF, 0xDA, 0xFF, 0xFF});
    edited = InsertBefore(edited, kDqt, {0xFF, 0x01});
    const uint8_t junk[] = {0x00, 0x12, 0xFF, 0x00, 0xFF};  // before SOI
    std::vector<uint8_t> noisy(std::begin(junk), std::end(junk));
    noisy.resize(sizeof(junk) + edited.size());
    std::copy(edited.begin(), edited.end(), noisy.begin() + sizeof(junk));
    DecoderPtr decoder = MakeDecoder(64, 64);
    JpegPicture picture{};
    ASSERT_EQ(Decode(decoder.get(), noisy, &picture), 0);
    EXPECT_EQ(picture.damaged, 0);
    ExpectPlanesMatch(ReferenceDecode(jpeg), picture);
}

}  // namespace
}  // namespace vyr::test
