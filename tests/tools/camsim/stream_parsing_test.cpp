// Start-code rewriting, picture splitting and JPEG splitting, judged against streams made by the
// ffmpeg program and against the test suite's own NAL splitter.
#include <gtest/gtest.h>

#include "decode_oracle.h"
#include "support/file_bytes.h"
#include "support/h264_stream.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "tools/camsim/annexb_stream.h"
#include "tools/camsim/jpeg_split.h"

namespace vyr::camsim {
namespace {

using Bytes = std::vector<uint8_t>;

// ffmpeg's raw H.264 output, start codes as x264 writes them (three bytes for later slices).
Bytes FfmpegH264(const test::TempDir& dir, int frames, const std::string& x264Params) {
    const std::string path = dir.File("raw.h264");
    const auto result = test::RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -frames:v " +
        std::to_string(frames) + " -c:v libx264 -bf 0 -g 5 -x264-params " + x264Params +
        " -f h264 " + test::ShellQuote(path) + " 2>&1");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return test::ReadFileBytes(path);
}

bool HasThreeByteStartCode(const Bytes& s) {
    for (size_t i = 0; i + 3 <= s.size(); ++i) {
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1 && (i == 0 || s[i - 1] != 0)) {
            return true;
        }
    }
    return false;
}

TEST(FourByteStartCodes, ShortCodesGrowLongCodesStay) {
    EXPECT_EQ(WithFourByteStartCodes(Bytes{0, 0, 1, 0x65, 0xAA, 0, 0, 1, 0x41, 0xBB}),
              (Bytes{0, 0, 0, 1, 0x65, 0xAA, 0, 0, 0, 1, 0x41, 0xBB}));
    const Bytes alreadyLong{0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x68};
    EXPECT_EQ(WithFourByteStartCodes(alreadyLong), alreadyLong);
    EXPECT_EQ(WithFourByteStartCodes(Bytes{0x41, 0, 0, 1}), (Bytes{0x41, 0, 0, 0, 1}));
    EXPECT_EQ(WithFourByteStartCodes(Bytes{0x41, 0, 0, 3, 1}), (Bytes{0x41, 0, 0, 3, 1}))
        << "an emulation-prevented 00 00 03 01 is no start code";
}

TEST(FourByteStartCodes, AgreesWithAnIndependentSplitterOnMultiSliceX264) {
    test::TempDir dir;
    const Bytes raw = FfmpegH264(dir, 6, "slices=4");
    ASSERT_TRUE(HasThreeByteStartCode(raw)) << "the input must exercise the rewrite";
    const Bytes rewritten = WithFourByteStartCodes(raw);
    EXPECT_FALSE(HasThreeByteStartCode(rewritten));
    EXPECT_EQ(rewritten, test::JoinWithLongStartCodes(test::SplitNalUnits(raw)));
}

TEST(SplitPictures, OnePicturePerFrameWithAllItsSlices) {
    test::TempDir dir;
    const Bytes stream = WithFourByteStartCodes(FfmpegH264(dir, 7, "slices=3"));
    const auto pictures = SplitPictures(stream);
    ASSERT_EQ(pictures.size(), 7u);
    for (size_t i = 0; i < pictures.size(); ++i) {
        int slices = 0;
        for (const NalSpan& nal : SplitNalUnits(pictures[i])) {
            const int type = NalType(pictures[i], nal);
            slices += type == 1 || type == 5 ? 1 : 0;
        }
        EXPECT_EQ(slices, 3) << "picture " << i;
    }
    EXPECT_EQ(NalType(pictures[0], SplitNalUnits(pictures[0])[0]), 7);
    EXPECT_EQ(NalType(pictures[5], SplitNalUnits(pictures[5])[0]), 7)
        << "the parameter sets before the second IDR belong to its picture";
    // Every byte of the stream lands in exactly one picture, in order.
    Bytes joined;
    for (const auto& picture : pictures) {
        joined.insert(joined.end(), picture.begin(), picture.end());
    }
    EXPECT_EQ(joined, stream);
}

Bytes FfmpegMjpeg(const test::TempDir& dir, int frames) {
    const std::string path = dir.File("clip.mjpeg");
    const auto result = test::RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=96x64:rate=25 -frames:v " +
        std::to_string(frames) + " -c:v mjpeg -f mjpeg " + test::ShellQuote(path) + " 2>&1");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return test::ReadFileBytes(path);
}

TEST(SplitJpegs, FramesOfAnFfmpegClipWithJunkBetweenAndATruncatedTail) {
    test::TempDir dir;
    const Bytes clip = FfmpegMjpeg(dir, 3);
    const auto frames = SplitJpegs(clip);
    ASSERT_EQ(frames.size(), 3u);
    for (const auto& frame : frames) {
        const auto decoded = test::DecodeJpeg(frame);
        ASSERT_EQ(decoded.pictures.size(), 1u);
        EXPECT_EQ(decoded.pictures[0].width, 96);
    }
    Bytes noisy = {0x12, 0xFF, 0x00};
    noisy.insert(noisy.end(), frames[0].begin(), frames[0].end());
    noisy.insert(noisy.end(), {0xFF, 0xFF, 0x34});
    noisy.insert(noisy.end(), frames[1].begin(), frames[1].end());
    noisy.insert(noisy.end(), frames[2].begin(), frames[2].end() - 40);
    const auto split = SplitJpegs(noisy);
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0], frames[0]);
    EXPECT_EQ(split[1], frames[1]);
}

TEST(SplitJpegs, MarkersInsideASegmentDoNotCut) {
    test::TempDir dir;
    const Bytes jpeg = SplitJpegs(FfmpegMjpeg(dir, 1)).at(0);
    // An APP1 segment whose body holds FF D9 FF D8, as an embedded thumbnail would.
    Bytes withApp(jpeg.begin(), jpeg.begin() + 2);
    withApp.insert(withApp.end(), {0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD9, 0xFF, 0xD8, 0x00, 0x00});
    withApp.insert(withApp.end(), jpeg.begin() + 2, jpeg.end());
    const auto split = SplitJpegs(withApp);
    ASSERT_EQ(split.size(), 1u);
    EXPECT_EQ(split[0], withApp);
}

TEST(SplitJpegs, SegmentLengthsPastTheEndAreRefused) {
    EXPECT_TRUE(SplitJpegs(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x00}).empty());
    EXPECT_TRUE(SplitJpegs(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9}).empty())
        << "a length below 2 is malformed";
    EXPECT_TRUE(SplitJpegs(Bytes{0xFF, 0xD8, 0xFF}).empty());
}

}  // namespace
}  // namespace vyr::camsim
