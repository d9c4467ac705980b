// The AVI writer: the header area while recording and after closing, data chunks and the index
// read back with an independent AVI reader, refused and failed writes, a file-size limit that
// refuses chunks but never the index, and the file of a writer that died read by ffmpeg (files
// closed by the recording thread are judged by ffmpeg in its tests).
#include "capture/avi/avi_writer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "support/avi_reader.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/h264_stream.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vyr::test::FileSizeLimit;
using vyr::test::ReadAvi;
using vyr::test::ReadFileBytes;
using vyr::test::RunCommand;
using vyr::test::ShellQuote;
namespace fs = std::filesystem;

Bytes Payload(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

struct Header {
    uint32_t riffSize, moviSize, frames;
    bool isFinal;
    uint32_t width, height, usPerFrame, rate;
    std::string fourcc;
};

// The header area as it must be: every field at its offset (the strf planes and bit count as one
// number); the JUNK payload, and at close the empty software name, as zeros up to the movi list.
Bytes ExpectedHeader(const Header& h) {
    Bytes fourcc(h.fourcc.begin(), h.fourcc.end());
    fourcc.resize(4, 0);
    const uint32_t tag = vyr::test::U32At(fourcc, 0);
    Bytes b;
    const auto put = [&b](auto... fields) {
        const auto one = [&b](auto field) {
            if constexpr (std::is_same_v<decltype(field), const char*>) {
                b.insert(b.end(), field, field + 4);
            } else {
                for (int i = 0; i < 4; ++i) {
                    b.push_back(static_cast<uint8_t>(field >> (8 * i)));
                }
            }
        };
        (one(fields), ...);
    };
    put("RIFF", h.riffSize, "AVI ", "LIST", 192u, "hdrl", "avih", 56u, h.usPerFrame, 0u, 0u, 0x110u,
        h.frames, 0u, 1u, 0u, h.width, h.height, 0u, 0u, 0u, 0u, "LIST", 116u, "strl", "strh", 56u,
        "vids", tag, 0u, 0u, 0u, 1000000u, h.rate, 0u, h.frames, 0u, 0xFFFFFFFFu, 0u, 0u, 0u,
        "strf", 40u, 40u, h.width, h.height, 1u | 24u << 16, tag, h.width * h.height * 3, 0u, 0u,
        0u, 0u);
    if (h.isFinal) {
        put("LIST", 76u, "INFO", "ISFT", 64u);
        b.resize(b.size() + 64, 0);
    }
    put("JUNK", h.isFinal ? 1732u : 1816u);
    b.resize(2036, 0);
    put("LIST", h.moviSize, "movi");
    return b;
}

void ExpectHeader(const Bytes& file, const Header& header) {
    const Bytes expected = ExpectedHeader(header);
    ASSERT_GE(file.size(), expected.size());
    for (size_t at = 0; at < expected.size(); at += 4) {
        EXPECT_EQ(vyr::test::U32At(file, at), vyr::test::U32At(expected, at)) << "offset " << at;
    }
}

class AviWriterTest : public testing::Test {
protected:
    AviFile* Open(const std::string& name, const char* compressor = "H264", double fps = 25.0,
                  int width = 64, int height = 48) {
        path_ = dir_.File(name);
        AviFile* file = AVI_open_output_file(path_.c_str());
        EXPECT_NE(file, nullptr) << path_;
        AVI_set_video_params(file, width, height, fps, compressor);
        return file;
    }
    static int Write(AviFile* file, const Bytes& payload, int key) {
        return AVI_write_frame(file, payload.data(), static_cast<long>(payload.size()), key);
    }
    uint64_t FileSize() const { return fs::file_size(path_); }
    vyr::test::AviContents Read() const { return ReadAvi(ReadFileBytes(path_)); }

    vyr::test::TempDir dir_;
    std::string path_;
};

// The header area is reserved as zeros until the parameters are set, provisional while recording
// (the file runs on past the chunks by the space reserved for them and the index) and final at
// close; the rate and the FourCC follow the frame rate and the compressor's name.
TEST_F(AviWriterTest, HeaderAreaWhileRecordingAndAfterClosing) {
    const std::tuple<const char*, double, uint32_t, uint32_t, std::string> cases[] = {
        {"MJPG", 20.0, 50000, 20000000, "MJPG"},
        {"RGB", 30.0, 33333, 30000000, ""},     // uncompressed: FourCC 0
        {"RGB24", 29.97, 33367, 29970000, ""},  // any name beginning with RGB
        {"XVID-extra", 0.0005, 0, 0, "XVID"},   // below 0.001 frames per second
        {"ab", 7.0, 142857, 7000000, "ab"},     // short names padded with zeros
    };
    for (const auto& [compressor, fps, usPerFrame, rate, fourcc] : cases) {
        SCOPED_TRACE(compressor);
        path_ = dir_.File(std::string(compressor) + ".avi");
        AviFile* file = AVI_open_output_file(path_.c_str());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(ReadFileBytes(path_), Bytes(2048, 0));
        AVI_set_video_params(file, 1280, 1024, fps, compressor);
        ASSERT_EQ(Write(file, Payload(1000, 1), 1), 0);
        ASSERT_EQ(Write(file, Payload(1000, 1), 1), 0);
        const uint32_t end = 2048 + 2 * 1008 + 8 + 2 * 16;
        EXPECT_GE(FileSize(), end);
        ExpectHeader(ReadFileBytes(path_),
                     {0xFEFFF003u, 0xFEFFF003u, 0, false, 1280, 1024, usPerFrame, rate, fourcc});
        ASSERT_EQ(AVI_close_file(file), 0);
        EXPECT_EQ(FileSize(), end);
        ExpectHeader(ReadFileBytes(path_), {end - 8, 2048 + 2 * 1008 - 2044, 2, true, 1280, 1024,
                                            usPerFrame, rate, fourcc});
    }
}

// Written over an older, longer file, which closing truncates.
TEST_F(AviWriterTest, OddPayloadsArePaddedAndIndexedWithAbsoluteOffsets) {
    std::ofstream(dir_.File("odd.avi"), std::ios::binary) << std::string(10000, 'x');
    AviFile* file = Open("odd.avi");
    const std::vector<Bytes> payloads = {Payload(3, 1), Payload(4, 2), Payload(1, 3), Payload(0, 4),
                                         Payload(5, 5)};
    const int keys[] = {1, 0, 0, 7, 0};
    for (size_t i = 0; i < payloads.size(); ++i) {
        ASSERT_EQ(Write(file, payloads[i], keys[i]), 0);
    }
    ASSERT_EQ(AVI_close_file(file), 0);

    const Bytes bytes = ReadFileBytes(path_);
    const auto avi = ReadAvi(bytes);
    ASSERT_EQ(avi.error, "");
    // 8-byte chunk headers, odd payloads followed by one zero pad byte.
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
        const auto& entry = avi.index[i];
        EXPECT_EQ(
            std::tie(entry.id, entry.flags, entry.offset, entry.size),
            std::make_tuple("00db", keys[i] != 0 ? 0x10u : 0u, offsets[i], payloads[i].size()));
    }
    EXPECT_EQ(avi.moviSize, 2104u - 2044u);
    EXPECT_EQ(bytes.size(), 2104u + 8 + 5 * 16);
    EXPECT_EQ(avi.riffSize, bytes.size() - 8);
}

TEST_F(AviWriterTest, BadArgumentsAndSizeLimitAreRefusedWithNothingWritten) {
    AviFile* file = Open("limit.avi", "MJPG");
    ASSERT_EQ(Write(file, Payload(2, 9), 1), 0);
    const auto sizeBefore = FileSize();
    // position 2058 + one 16-byte index entry + 32: the largest accepted chunk is this minus one.
    const long firstRefused = 0xFEFFF7FFL - 2058 - 16 - 32 + 1;
    const uint8_t small[16] = {};
    for (const long length : {firstRefused, 0x7FFFFFFFFFFFFFFFL, -1L}) {
        EXPECT_EQ(AVI_write_frame(file, small, length, 1), -1) << length;
    }
    EXPECT_EQ(AVI_write_frame(file, nullptr, 4, 1), -1);
    EXPECT_EQ(FileSize(), sizeBefore);
    ASSERT_EQ(AVI_close_file(file), 0);
    const auto avi = Read();
    ASSERT_EQ(avi.error, "");
    EXPECT_EQ(avi.chunks.size(), 1u);
    EXPECT_EQ(avi.index.size(), 1u);

    EXPECT_EQ(AVI_open_output_file(dir_.File("missing/folder.avi").c_str()), nullptr);
    EXPECT_EQ(AVI_open_output_file("/dev/full"), nullptr);  // the header reserve cannot be written
}

TEST_F(AviWriterTest, FailedWriteLeavesNoIndexEntryAndIsOverwritten) {
    AviFile* file = Open("fail.avi");
    ASSERT_EQ(Write(file, Payload(100, 1), 1), 0);
    {
        FileSizeLimit limit(2048 + 108 + 50);  // the chunk header and part of the payload only
        EXPECT_EQ(Write(file, Payload(200, 2), 0), -1);
    }
    EXPECT_GT(FileSize(), 2048u + 108);  // partial bytes reached the file
    ASSERT_EQ(Write(file, Payload(31, 3), 0), 0);
    ASSERT_EQ(AVI_close_file(file), 0);
    const auto avi = Read();
    ASSERT_EQ(avi.error, "");
    ASSERT_EQ(avi.chunks.size(), 2u);
    ASSERT_EQ(avi.index.size(), 2u);
    EXPECT_EQ(avi.chunks[1].payload, Payload(31, 3));
    EXPECT_EQ(avi.chunks[1].offset, 2048u + 108);
    EXPECT_EQ(std::tie(avi.index[1].offset, avi.index[1].size), std::make_tuple(2048u + 108, 31u));
    EXPECT_EQ(FileSize(), 2048u + 108 + 40 + 8 + 32);
}

TEST_F(AviWriterTest, FailedIndexWriteClearsHasIndexFlag) {
    AviFile* file = Open("noindex.avi");
    ASSERT_EQ(Write(file, Payload(100, 1), 1), 0);
    {
        FileSizeLimit limit(2048 + 108 + 4);  // the idx1 chunk cannot be written whole
        EXPECT_EQ(AVI_close_file(file), -1);
    }
    const Bytes bytes = ReadFileBytes(path_);
    ASSERT_EQ(bytes.size(), 2048u + 108);  // truncated before the partial index
    EXPECT_EQ(vyr::test::U32At(bytes, 44), 0x100u);
    EXPECT_EQ(vyr::test::U32At(bytes, 48), 1u);
    EXPECT_EQ(vyr::test::U32At(bytes, 4), 2048u + 108 - 8);
    const auto avi = ReadAvi(bytes);
    EXPECT_EQ(avi.error, "");
    EXPECT_FALSE(avi.hasIdx1);
    EXPECT_EQ(avi.chunks.size(), 1u);
}

TEST_F(AviWriterTest, FileSizeLimitRefusesChunksButNeverTheIndex) {
    // The limit falls inside a chunk, inside a chunk's index room, and inside the reserve step.
    for (const rlim_t limit : {2048u + 5000u, 2048u + 5 * 1008u + 8 + 4 * 16u, 2048u + 300000u}) {
        SCOPED_TRACE(limit);
        path_ = dir_.File("full" + std::to_string(limit) + ".avi");
        size_t accepted = 0;
        {
            FileSizeLimit lowered(limit);
            AviFile* file = AVI_create_output_file(path_.c_str());
            ASSERT_NE(file, nullptr);
            AVI_set_video_params(file, 64, 48, 25.0, "MJPG");
            while (Write(file, Payload(1000, static_cast<uint8_t>(accepted)), 1) == 0) {
                ASSERT_LT(++accepted, 1000u);
            }
            EXPECT_TRUE(errno == EFBIG || errno == ENOSPC) << errno;
            const uint64_t sizeAfterRefusal = FileSize();
            EXPECT_EQ(Write(file, Payload(1000, 0), 1), -1);  // nothing of a refused chunk lands
            EXPECT_EQ(FileSize(), sizeAfterRefusal);
            EXPECT_EQ(AVI_close_file(file), 0);
        }
        EXPECT_GT(accepted, 0u);
        const auto avi = Read();
        ASSERT_EQ(avi.error, "");
        EXPECT_TRUE(avi.hasIdx1);
        ASSERT_EQ(avi.chunks.size(), accepted);
        EXPECT_EQ(avi.index.size(), accepted);
        EXPECT_EQ(avi.chunks.back().payload, Payload(1000, static_cast<uint8_t>(accepted - 1)));
        EXPECT_LE(FileSize(), limit);
    }
}

TEST_F(AviWriterTest, CreateNeverOpensAnExistingFile) {
    const std::string taken = dir_.File("taken.avi");
    std::ofstream(taken, std::ios::binary) << "someone else's";
    errno = 0;
    EXPECT_EQ(AVI_create_output_file(taken.c_str()), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFileBytes(taken).size(), 14u);
    {
        FileSizeLimit lowered(1000);  // a file the call created but could not fill is removed
        EXPECT_EQ(AVI_create_output_file(dir_.File("small.avi").c_str()), nullptr);
    }
    EXPECT_FALSE(fs::exists(dir_.File("small.avi")));
}

// ffprobe's count of the pictures it decodes.
int DecodedPictures(const std::string& path) {
    return std::stoi(RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_read_frames -of csv=p=0 " +
                                ShellQuote(path))
                         .output);
}
// A writer that dies without closing leaves the provisional header and no index. ffmpeg reads
// every whole chunk byte for byte, also once the file is cut inside its last chunk (it ran on
// past the chunk by its reserved space), and decodes them.
TEST_F(AviWriterTest, FileOfWriterThatDiedIsReadUpToItsLastWholeChunk) {
    const auto frames = vyr::test::SplitPictures(vyr::test::MakeH264Stream(
        dir_.path().string(), {"testsrc=size=320x240:rate=25", 20, "keyint=10", ""}));
    ASSERT_EQ(frames.size(), 20u);
    path_ = dir_.File("died.avi");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AviFile* file = AVI_open_output_file(path_.c_str());
        AVI_set_video_params(file, 320, 240, 25.0, "H264");
        for (const auto& frame : frames) {
            AVI_write_frame(file, frame.bytes.data(), static_cast<long>(frame.bytes.size()), 1);
        }
        ::_exit(file != nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<Bytes> joined(1);  // joined[n]: the first n pictures
    for (const auto& frame : frames) {
        joined.push_back(joined.back());
        joined.back().insert(joined.back().end(), frame.bytes.begin(), frame.bytes.end());
    }
    for (const size_t whole : {frames.size(), frames.size() - 1}) {
        SCOPED_TRACE(whole);
        if (whole < frames.size()) {
            const auto chunks = Read().chunks;
            ASSERT_EQ(chunks.size(), frames.size());
            fs::resize_file(path_, chunks.back().offset + 8 + chunks.back().size / 2);
        }
        const Bytes copy = vyr::test::StreamCopy(path_, "h264");
        EXPECT_TRUE(copy.size() <= joined.back().size() && copy.size() >= joined[whole].size() &&
                    std::equal(joined[whole].begin(), joined[whole].end(), copy.begin()))
            << copy.size();
        const int decoded = DecodedPictures(path_);
        EXPECT_TRUE(decoded >= static_cast<int>(whole) &&
                    decoded <= static_cast<int>(frames.size()))
            << decoded;
    }
}

}  // namespace
