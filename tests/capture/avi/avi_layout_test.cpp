// The bytes of the AVI header area: the final header of an empty file, the provisional header
// written while recording, and the values derived from the frame rate and the compressor.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/avi/avi_writer.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ReadFileBytes;
using vyr::test::TagAt;
using vyr::test::U16At;
using vyr::test::U32At;

struct Expected {
    uint32_t riffSize;
    uint32_t moviSize;
    uint32_t totalFrames;
    bool isFinal;
};

// Every field of the header area, at its absolute offset.
void ExpectHeader(const std::vector<uint8_t>& b, const Expected& e, uint32_t width, uint32_t height,
                  uint32_t usPerFrame, uint32_t rate, const std::string& fourcc) {
    ASSERT_GE(b.size(), 2048u);
    const uint32_t fourccValue =
        fourcc.empty() ? 0 : U32At(std::vector<uint8_t>(fourcc.begin(), fourcc.end()), 0);
    EXPECT_EQ(TagAt(b, 0), "RIFF");
    EXPECT_EQ(U32At(b, 4), e.riffSize);
    EXPECT_EQ(TagAt(b, 8), "AVI ");
    EXPECT_EQ(TagAt(b, 12), "LIST");
    EXPECT_EQ(U32At(b, 16), 192u);
    EXPECT_EQ(TagAt(b, 20), "hdrl");
    EXPECT_EQ(TagAt(b, 24), "avih");
    EXPECT_EQ(U32At(b, 28), 56u);
    EXPECT_EQ(U32At(b, 32), usPerFrame);
    EXPECT_EQ(U32At(b, 36), 0u);
    EXPECT_EQ(U32At(b, 40), 0u);
    EXPECT_EQ(U32At(b, 44), 0x110u);
    EXPECT_EQ(U32At(b, 48), e.totalFrames);
    EXPECT_EQ(U32At(b, 52), 0u);
    EXPECT_EQ(U32At(b, 56), 1u);
    EXPECT_EQ(U32At(b, 60), 0u);
    EXPECT_EQ(U32At(b, 64), width);
    EXPECT_EQ(U32At(b, 68), height);
    for (size_t at = 72; at < 88; at += 4) {
        EXPECT_EQ(U32At(b, at), 0u) << at;
    }
    EXPECT_EQ(TagAt(b, 88), "LIST");
    EXPECT_EQ(U32At(b, 92), 116u);
    EXPECT_EQ(TagAt(b, 96), "strl");
    EXPECT_EQ(TagAt(b, 100), "strh");
    EXPECT_EQ(U32At(b, 104), 56u);
    EXPECT_EQ(TagAt(b, 108), "vids");
    EXPECT_EQ(U32At(b, 112), fourccValue);
    EXPECT_EQ(U32At(b, 116), 0u);
    EXPECT_EQ(U32At(b, 120), 0u);
    EXPECT_EQ(U32At(b, 124), 0u);
    EXPECT_EQ(U32At(b, 128), 1000000u);
    EXPECT_EQ(U32At(b, 132), rate);
    EXPECT_EQ(U32At(b, 136), 0u);
    EXPECT_EQ(U32At(b, 140), e.totalFrames);
    EXPECT_EQ(U32At(b, 144), 0u);
    EXPECT_EQ(U32At(b, 148), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(b, 152), 0u);
    EXPECT_EQ(U32At(b, 156), 0u);
    EXPECT_EQ(U32At(b, 160), 0u);
    EXPECT_EQ(TagAt(b, 164), "strf");
    EXPECT_EQ(U32At(b, 168), 40u);
    EXPECT_EQ(U32At(b, 172), 40u);
    EXPECT_EQ(U32At(b, 176), width);
    EXPECT_EQ(U32At(b, 180), height);
    EXPECT_EQ(U16At(b, 184), 1u);
    EXPECT_EQ(U16At(b, 186), 24u);
    EXPECT_EQ(U32At(b, 188), fourccValue);
    EXPECT_EQ(U32At(b, 192), width * height * 3);
    for (size_t at = 196; at < 212; at += 4) {
        EXPECT_EQ(U32At(b, at), 0u) << at;
    }
    size_t junk = 212;
    if (e.isFinal) {
        EXPECT_EQ(TagAt(b, 212), "LIST");
        EXPECT_EQ(U32At(b, 216), 76u);
        EXPECT_EQ(TagAt(b, 220), "INFO");
        EXPECT_EQ(TagAt(b, 224), "ISFT");
        EXPECT_EQ(U32At(b, 228), 64u);
        junk = 296;
    }
    EXPECT_EQ(TagAt(b, junk), "JUNK");
    EXPECT_EQ(U32At(b, junk + 4), e.isFinal ? 1732u : 1816u);
    // The empty software name and the JUNK payload are zeros up to the movi list.
    auto zeros = [&](size_t from, size_t to) {
        return std::all_of(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to),
                           [](uint8_t v) { return v == 0; });
    };
    if (e.isFinal) {
        EXPECT_TRUE(zeros(232, 296));
    }
    EXPECT_TRUE(zeros(junk + 8, 2036));
    EXPECT_EQ(TagAt(b, 2036), "LIST");
    EXPECT_EQ(U32At(b, 2040), e.moviSize);
    EXPECT_EQ(TagAt(b, 2044), "movi");
}

TEST(AviLayout, EmptyFileHasFinalHeaderAndEmptyIndex) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("empty.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 1920, 1080, 25.0, "H264");
    ASSERT_EQ(AVI_close_file(file), 0);

    const auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 2056u);
    ExpectHeader(b, {2048, 4, 0, true}, 1920, 1080, 40000, 25000000, "H264");
    EXPECT_EQ(TagAt(b, 2048), "idx1");
    EXPECT_EQ(U32At(b, 2052), 0u);
}

TEST(AviLayout, ProvisionalHeaderWhileRecordingThenFinalSizes) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("rec.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    // Before the parameters are set the header area is reserved as zeros.
    auto b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 2048u);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0), 2048);

    AVI_set_video_params(file, 1280, 1024, 20.0, "MJPG");
    const std::vector<uint8_t> frame(1000, 0xAB);
    ASSERT_EQ(AVI_write_frame(file, frame.data(), static_cast<long>(frame.size()), 1), 0);
    ASSERT_EQ(AVI_write_frame(file, frame.data(), static_cast<long>(frame.size()), 1), 0);

    // The file runs on past the chunks by the space reserved for them and the index.
    b = ReadFileBytes(path);
    ASSERT_GE(b.size(), 2048u + 2 * 1008u + 8 + 2 * 16);
    ExpectHeader(b, {0xFEFFF003u, 0xFEFFF003u, 0, false}, 1280, 1024, 50000, 20000000, "MJPG");

    ASSERT_EQ(AVI_close_file(file), 0);
    b = ReadFileBytes(path);
    const uint32_t end = 2048 + 2 * 1008 + 8 + 2 * 16;
    ASSERT_EQ(b.size(), end);
    ExpectHeader(b, {end - 8, 2048 + 2 * 1008 - 2044, 2, true}, 1280, 1024, 50000, 20000000,
                 "MJPG");
}

TEST(AviLayout, CompressorAndRateValues) {
    struct Case {
        const char* compressor;
        double fps;
        std::string fourcc;
        uint32_t usPerFrame;
        uint32_t rate;
    };
    const Case cases[] = {
        {"RGB", 30.0, "", 33333, 30000000},                      // uncompressed: FourCC 0
        {"RGB24", 29.97, "", 33367, 29970000},                   // any name beginning with RGB
        {"XVID-extra", 0.0005, "XVID", 0, 0},                    // below 0.001 frames per second
        {"ab", 7.0, std::string("ab\0\0", 4), 142857, 7000000},  // short names padded with zeros
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.compressor);
        vyr::test::TempDir dir;
        const std::string path = dir.File("c.avi");
        AviFile* file = AVI_open_output_file(path.c_str());
        ASSERT_NE(file, nullptr);
        AVI_set_video_params(file, 3, 5, c.fps, c.compressor);
        ASSERT_EQ(AVI_close_file(file), 0);
        ExpectHeader(ReadFileBytes(path), {2048, 4, 0, true}, 3, 5, c.usPerFrame, c.rate, c.fourcc);
    }
}

}  // namespace
