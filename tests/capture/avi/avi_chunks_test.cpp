// Data chunks, the index and the failure paths of the AVI writer, read back with an independent
// AVI reader.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "capture/avi/avi_writer.h"
#include "support/avi_reader.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::FileSizeLimit;
using vyr::test::ReadAvi;
using vyr::test::ReadFileBytes;

std::vector<uint8_t> Payload(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

int Write(AviFile* file, const std::vector<uint8_t>& payload, int key) {
    return AVI_write_frame(file, payload.data(), static_cast<long>(payload.size()), key);
}

TEST(AviChunks, OddPayloadsArePaddedAndIndexedWithAbsoluteOffsets) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("odd.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 64, 48, 25.0, "H264");
    const std::vector<std::vector<uint8_t>> payloads = {Payload(3, 1), Payload(4, 2), Payload(1, 3),
                                                        Payload(0, 4), Payload(5, 5)};
    const int keys[] = {1, 0, 0, 7, 0};
    for (size_t i = 0; i < payloads.size(); ++i) {
        ASSERT_EQ(Write(file, payloads[i], keys[i]), 0);
    }
    ASSERT_EQ(AVI_close_file(file), 0);

    const auto bytes = ReadFileBytes(path);
    const auto avi = ReadAvi(bytes);
    ASSERT_EQ(avi.error, "");
    // 8-byte chunk headers, odd payloads followed by one pad byte.
    const uint32_t offsets[] = {2048, 2060, 2072, 2082, 2090};
    ASSERT_EQ(avi.chunks.size(), 5u);
    ASSERT_EQ(avi.index.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(avi.chunks[i].offset, offsets[i]);
        EXPECT_EQ(avi.chunks[i].payload, payloads[i]);
        if (payloads[i].size() % 2 == 1) {
            EXPECT_EQ(bytes.at(offsets[i] + 8 + payloads[i].size()), 0);
        }
        EXPECT_EQ(avi.index[i].id, "00db");
        EXPECT_EQ(avi.index[i].flags, keys[i] != 0 ? 0x10u : 0u);
        EXPECT_EQ(avi.index[i].offset, offsets[i]);
        EXPECT_EQ(avi.index[i].size, payloads[i].size());
    }
    EXPECT_EQ(avi.moviSize, 2104u - 2044u);
    EXPECT_EQ(bytes.size(), 2104u + 8 + 5 * 16);
    EXPECT_EQ(avi.riffSize, bytes.size() - 8);
}

TEST(AviChunks, BadArgumentsAndSizeLimitAreRefusedWithNothingWritten) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("limit.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 64, 48, 25.0, "MJPG");
    const auto first = Payload(2, 9);
    ASSERT_EQ(Write(file, first, 1), 0);
    const auto sizeBefore = std::filesystem::file_size(path);

    // position 2058 + one 16-byte index entry + 32: the largest accepted chunk is this minus one.
    const long firstRefused = 0xFEFFF7FFL - 2058 - 16 - 32 + 1;
    const uint8_t small[16] = {};
    EXPECT_EQ(AVI_write_frame(file, small, firstRefused, 1), -1);
    EXPECT_EQ(AVI_write_frame(file, small, 0x7FFFFFFFFFFFFFFFL, 1), -1);
    EXPECT_EQ(AVI_write_frame(file, small, -1, 1), -1);
    EXPECT_EQ(AVI_write_frame(file, nullptr, 4, 1), -1);
    EXPECT_EQ(std::filesystem::file_size(path), sizeBefore);

    ASSERT_EQ(AVI_close_file(file), 0);
    const auto avi = ReadAvi(ReadFileBytes(path));
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.chunks.size(), 1u);
    EXPECT_EQ(avi.index.size(), 1u);

    EXPECT_EQ(AVI_write_frame(nullptr, small, 4, 1), -1);
    EXPECT_EQ(AVI_close_file(nullptr), -1);
    EXPECT_EQ(AVI_update_header(nullptr), -1);
    EXPECT_EQ(AVI_close_output_file(nullptr), -1);
    AVI_set_video_params(nullptr, 1, 1, 25.0, "H264");
    EXPECT_EQ(AVI_open_output_file(nullptr), nullptr);
    EXPECT_EQ(AVI_open_output_file(dir.File("missing/folder.avi").c_str()), nullptr);
    // The header reserve cannot be written to a full device.
    EXPECT_EQ(AVI_open_output_file("/dev/full"), nullptr);
}

TEST(AviChunks, ClosingTruncatesAnOlderLongerFile) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("old.avi");
    std::ofstream(path, std::ios::binary) << std::string(10000, 'x');
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 64, 48, 25.0, "H264");
    ASSERT_EQ(Write(file, Payload(10, 1), 1), 0);
    ASSERT_EQ(AVI_close_file(file), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 2048u + 18 + 8 + 16);
    EXPECT_EQ(ReadAvi(ReadFileBytes(path)).error, "");
}

TEST(AviChunks, FailedWriteLeavesNoIndexEntryAndIsOverwritten) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("fail.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 64, 48, 25.0, "H264");
    const auto a = Payload(100, 1);
    const auto b = Payload(200, 2);
    const auto c = Payload(31, 3);
    ASSERT_EQ(Write(file, a, 1), 0);
    {
        // Room for the chunk header and part of the payload only.
        FileSizeLimit limit(2048 + 108 + 50);
        EXPECT_EQ(Write(file, b, 0), -1);
    }
    EXPECT_GT(std::filesystem::file_size(path), 2048u + 108);  // partial bytes reached the file
    ASSERT_EQ(Write(file, c, 0), 0);
    ASSERT_EQ(AVI_close_file(file), 0);

    const auto avi = ReadAvi(ReadFileBytes(path));
    ASSERT_EQ(avi.error, "");
    ASSERT_EQ(avi.chunks.size(), 2u);
    ASSERT_EQ(avi.index.size(), 2u);
    EXPECT_EQ(avi.chunks[1].payload, c);
    EXPECT_EQ(avi.chunks[1].offset, 2048u + 108);
    EXPECT_EQ(avi.index[1].offset, 2048u + 108);
    EXPECT_EQ(avi.index[1].size, 31u);
    EXPECT_EQ(std::filesystem::file_size(path), 2048u + 108 + 40 + 8 + 32);
}

TEST(AviChunks, FailedIndexWriteClearsHasIndexFlag) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("noindex.avi");
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 64, 48, 25.0, "H264");
    ASSERT_EQ(Write(file, Payload(100, 1), 1), 0);
    int result = 0;
    {
        FileSizeLimit limit(2048 + 108 + 4);  // the idx1 chunk cannot be written whole
        result = AVI_close_file(file);
    }
    EXPECT_EQ(result, -1);
    const auto bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 2048u + 108);  // truncated before the partial index
    EXPECT_EQ(vyr::test::U32At(bytes, 44), 0x100u);
    EXPECT_EQ(vyr::test::U32At(bytes, 48), 1u);
    EXPECT_EQ(vyr::test::U32At(bytes, 4), 2048u + 108 - 8);
    const auto avi = ReadAvi(bytes);
    EXPECT_EQ(avi.error, "");
    EXPECT_FALSE(avi.hasIdx1);
    EXPECT_EQ(avi.chunks.size(), 1u);
}

TEST(AviChunks, FileSizeLimitRefusesChunksButNeverTheIndex) {
    // The limit falls inside a chunk, inside a chunk's index room, and inside the reserve step.
    for (const rlim_t limit : {2048u + 5000u, 2048u + 5 * 1008u + 8 + 4 * 16u, 2048u + 300000u}) {
        SCOPED_TRACE(limit);
        vyr::test::TempDir dir;
        const std::string path = dir.File("full.avi");
        size_t accepted = 0;
        int closed = -1;
        {
            FileSizeLimit lowered(limit);
            AviFile* file = AVI_create_output_file(path.c_str());
            ASSERT_NE(file, nullptr);
            AVI_set_video_params(file, 64, 48, 25.0, "MJPG");
            while (Write(file, Payload(1000, static_cast<uint8_t>(accepted)), 1) == 0) {
                ++accepted;
                ASSERT_LT(accepted, 1000u);
            }
            EXPECT_TRUE(errno == EFBIG || errno == ENOSPC) << errno;
            const uint64_t sizeAfterRefusal = std::filesystem::file_size(path);
            EXPECT_EQ(Write(file, Payload(1000, 0), 1), -1);  // nothing of a refused chunk lands
            EXPECT_EQ(std::filesystem::file_size(path), sizeAfterRefusal);
            closed = AVI_close_file(file);
        }
        EXPECT_EQ(closed, 0);
        EXPECT_GT(accepted, 0u);
        const auto avi = ReadAvi(ReadFileBytes(path));
        ASSERT_EQ(avi.error, "");
        EXPECT_TRUE(avi.hasIdx1);
        ASSERT_EQ(avi.chunks.size(), accepted);
        EXPECT_EQ(avi.index.size(), accepted);
        EXPECT_EQ(avi.chunks.back().payload, Payload(1000, static_cast<uint8_t>(accepted - 1)));
        EXPECT_LE(std::filesystem::file_size(path), limit);
    }
}

TEST(AviChunks, CreateNeverOpensAnExistingFile) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("taken.avi");
    std::ofstream(path, std::ios::binary) << "someone else's";
    errno = 0;
    EXPECT_EQ(AVI_create_output_file(path.c_str()), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFileBytes(path).size(), 14u);
    // A file the call created but could not fill is not left behind.
    {
        FileSizeLimit lowered(1000);
        EXPECT_EQ(AVI_create_output_file(dir.File("small.avi").c_str()), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("small.avi")));
}

}  // namespace
