// AVI files written from real H.264 and Motion-JPEG streams, judged by ffprobe and ffmpeg: the
// stream parameters, every packet's size, key flag and MD5 against the written frames, and a
// decode of every picture. Also a file whose writer died before closing it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavutil/md5.h>
}

#include <filesystem>
#include <sstream>

#include "capture/avi/avi_writer.h"
#include "support/avi_reader.h"
#include "support/file_bytes.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::RunCommand;
using vyr::test::ShellQuote;

struct Frame {
    std::vector<uint8_t> bytes;
    bool isKey = false;
};

std::string Md5Hex(const std::vector<uint8_t>& bytes) {
    uint8_t digest[16];
    av_md5_sum(digest, bytes.data(), static_cast<int>(bytes.size()));
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t d : digest) {
        hex += kHex[d >> 4];
        hex += kHex[d & 15];
    }
    return hex;
}

// H.264 access units from libx264 with an access unit delimiter before each; a unit is a key frame
// when it holds an IDR slice (NAL type 5).
std::vector<Frame> MakeH264Frames(const vyr::test::TempDir& dir, int frames) {
    const std::string stream = dir.File("in.h264");
    const auto made = RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -frames:v " +
        std::to_string(frames) +
        " -c:v libx264 -g 10 -bf 0 -pix_fmt yuv420p -x264-params aud=1 -f h264 " +
        ShellQuote(stream) + " 2>&1");
    EXPECT_EQ(made.exitCode, 0) << made.output;
    const auto bytes = vyr::test::ReadFileBytes(stream);
    std::vector<size_t> starts;
    for (size_t i = 0; i + 4 < bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 0 && bytes[i + 3] == 1 &&
            (bytes[i + 4] & 0x1F) == 9) {
            starts.push_back(i);
        }
    }
    starts.push_back(bytes.size());
    std::vector<Frame> out;
    for (size_t f = 0; f + 1 < starts.size(); ++f) {
        Frame frame;
        frame.bytes.assign(bytes.begin() + static_cast<long>(starts[f]),
                           bytes.begin() + static_cast<long>(starts[f + 1]));
        for (size_t i = 0; i + 3 < frame.bytes.size(); ++i) {
            if (frame.bytes[i] == 0 && frame.bytes[i + 1] == 0 && frame.bytes[i + 2] == 1 &&
                (frame.bytes[i + 3] & 0x1F) == 5) {
                frame.isKey = true;
            }
        }
        out.push_back(std::move(frame));
    }
    return out;
}

std::vector<Frame> MakeJpegFrames(const vyr::test::TempDir& dir, int frames) {
    const auto made = RunCommand(
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=320x240:rate=20 -frames:v " +
        std::to_string(frames) + " -c:v mjpeg -pix_fmt yuvj420p -q:v 4 -f image2 " +
        ShellQuote(dir.File("f%03d.jpg")) + " 2>&1");
    EXPECT_EQ(made.exitCode, 0) << made.output;
    std::vector<Frame> out;
    for (int i = 1; i <= frames; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.jpg", i);
        out.push_back({vyr::test::ReadFileBytes(dir.File(name)), true});
    }
    return out;
}

void WriteAvi(const std::string& path, const std::vector<Frame>& frames, double fps,
              const char* compressor, bool close) {
    AviFile* file = AVI_open_output_file(path.c_str());
    ASSERT_NE(file, nullptr);
    AVI_set_video_params(file, 320, 240, fps, compressor);
    for (const Frame& frame : frames) {
        ASSERT_EQ(AVI_write_frame(file, frame.bytes.data(), static_cast<long>(frame.bytes.size()),
                                  frame.isKey ? 1 : 0),
                  0);
    }
    if (close) {
        ASSERT_EQ(AVI_close_file(file), 0);
    }
}

std::string Probe(const std::string& args, const std::string& path) {
    const auto probe = RunCommand("ffprobe -v error " + args + " " + ShellQuote(path));
    EXPECT_EQ(probe.exitCode, 0);
    return probe.output;
}

// One "size,flags,hash" line per packet, as ffprobe lists them.
std::vector<std::string> PacketLines(const std::string& path) {
    std::istringstream lines(
        Probe("-select_streams v:0 -show_packets -show_data_hash MD5 "
              "-show_entries packet=size,flags,data_hash -of csv=p=0",
              path));
    std::vector<std::string> out;
    for (std::string line; std::getline(lines, line);) {
        out.push_back(line);
    }
    return out;
}

std::string ExpectedLine(const Frame& frame) {
    return std::to_string(frame.bytes.size()) + (frame.isKey ? ",K_" : ",__") +
           ",MD5:" + Md5Hex(frame.bytes);
}

int DecodedPictures(const std::string& path) {
    return std::stoi(
        Probe("-count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
              "-of csv=p=0",
              path));
}

void ExpectReadBack(const std::string& path, const std::vector<Frame>& frames,
                    const std::string& stream) {
    EXPECT_EQ(Probe("-select_streams v:0 -show_entries "
                    "stream=codec_tag_string,width,height,r_frame_rate -of csv=p=0",
                    path),
              stream);
    const auto packets = PacketLines(path);
    ASSERT_EQ(packets.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(packets[i], ExpectedLine(frames[i])) << "packet " << i;
    }
    EXPECT_EQ(DecodedPictures(path), static_cast<int>(frames.size()));
    const auto decode =
        RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -f null - 2>&1");
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "");
}

TEST(AviFfprobe, H264FileReadsBackPacketForPacket) {
    vyr::test::TempDir dir;
    const auto frames = MakeH264Frames(dir, 30);
    ASSERT_EQ(frames.size(), 30u);
    ASSERT_TRUE(frames[0].isKey && frames[10].isKey && !frames[1].isKey);
    const std::string path = dir.File("h264.avi");
    WriteAvi(path, frames, 25.0, "H264", true);
    ExpectReadBack(path, frames, "H264,320,240,25/1\n");
}

TEST(AviFfprobe, MjpegFileReadsBackPacketForPacket) {
    vyr::test::TempDir dir;
    const auto frames = MakeJpegFrames(dir, 12);
    const std::string path = dir.File("mjpg.avi");
    WriteAvi(path, frames, 20.0, "MJPG", true);
    ExpectReadBack(path, frames, "MJPG,320,240,20/1\n");
}

TEST(AviFfprobe, FileOfWriterThatDiedIsReadUpToItsLastWholeChunk) {
    vyr::test::TempDir dir;
    const auto frames = MakeH264Frames(dir, 20);
    const std::string path = dir.File("died.avi");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AviFile* file = AVI_open_output_file(path.c_str());
        if (file == nullptr) {
            ::_exit(1);
        }
        AVI_set_video_params(file, 320, 240, 25.0, "H264");
        for (const Frame& frame : frames) {
            AVI_write_frame(file, frame.bytes.data(), static_cast<long>(frame.bytes.size()),
                            frame.isKey ? 1 : 0);
        }
        ::_exit(0);  // no close: provisional header, no index
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    auto packets = PacketLines(path);
    ASSERT_EQ(packets.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        // Without an index, key flags are unknown to the reader; sizes and contents are exact.
        EXPECT_EQ(packets[i].substr(0, packets[i].find(',')),
                  std::to_string(frames[i].bytes.size()));
        EXPECT_EQ(packets[i].substr(packets[i].rfind(',')), ",MD5:" + Md5Hex(frames[i].bytes));
    }
    EXPECT_EQ(DecodedPictures(path), static_cast<int>(frames.size()));

    // Cut inside the last chunk (the file ran on past it by its reserved space): everything
    // before it still reads and decodes.
    const auto chunks = vyr::test::ReadAvi(vyr::test::ReadFileBytes(path)).chunks;
    ASSERT_EQ(chunks.size(), frames.size());
    std::filesystem::resize_file(path, chunks.back().offset + 8 + chunks.back().size / 2);
    packets = PacketLines(path);
    ASSERT_GE(packets.size(), frames.size() - 1);
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        EXPECT_EQ(packets[i].substr(packets[i].rfind(',')), ",MD5:" + Md5Hex(frames[i].bytes));
    }
    EXPECT_GE(DecodedPictures(path), static_cast<int>(frames.size()) - 1);
}

}  // namespace
