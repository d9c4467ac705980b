// The recording thread fed through RecordRing as the decode threads feed it, with the local clock
// set by the test: H.264 recorded across the hour gives three files split every five minutes, each
// starting at a key frame; ffprobe reads each with the right codec, size and rate, and ffmpeg's
// stream copy of the files gives back exactly the frames fed (pictures with the parameter sets
// before them), but for those dropped between a split and the next key frame. Also a folder that
// cannot be opened and a disk that fills up (Motion-JPEG).
#include "capture/recording_thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "linkstate/link_shared.h"
#include "support/avi_reader.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/h264_stream.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "support/test_clock.h"
#include "support/wait_for.h"
#include "tools/camsim/frame_loop.h"

namespace {

using vyr::Globals;
using Picture = vyr::test::CodedPicture;
using vyr::test::RunCommand;
using vyr::test::ShellQuote;
using vyr::test::StreamCopy;
using Times =
    std::map<size_t, std::array<int, 3>>;  // picture index -> the clock's h, m, s from then

class RecordingThreadTest : public testing::Test {
protected:
    void SetUp() override {
        Globals().recordRing.ResetRecordRing();
        Globals().recordingRequested.store(0);
        Globals().recordingActive.store(0);
        Globals().frameWidth.store(320);
        Globals().frameHeight.store(240);
        Globals().mjpegMode.store(1);
        link_.exeDir = root_.path().string();
        std::filesystem::create_directories(root_.path() / "video");
        thread_ = std::thread([this] { vyr::RecordingThread(link_); });
    }
    void TearDown() override {
        link_.stopRequested.store(1);
        thread_.join();
    }

    static std::vector<Picture> Jpegs(int count) {
        vyr::camsim::CameraConfig config;
        config.streamKind = vyr::camsim::StreamKind::Mjpeg;
        config.width = 320;
        config.height = 240;
        config.loopFrames = count;
        vyr::camsim::FrameLoop loop;
        std::string error;
        EXPECT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
        std::vector<Picture> jpegs;
        for (const auto& frame : loop.frames) {
            jpegs.push_back({frame, true});
        }
        return jpegs;
    }

    // The decode threads' hand-off; returns once the recording thread has taken the picture.
    void Feed(const Picture& picture) {
        vyr::StreamGlobals& globals = Globals();
        const auto size = static_cast<int32_t>(picture.bytes.size());
        if (globals.recordingActive.load() != 0) {
            ASSERT_EQ(globals.recordRing.PushRecordFrame(picture.bytes.data(), size,
                                                         picture.isKey ? 1 : 0),
                      1);
        } else if (globals.recordingRequested.load() == 1 && picture.isKey) {
            globals.recordRing.ResetRecordRing();
            globals.recordRing.PushRecordFrame(picture.bytes.data(), size, 1);
            globals.recordingActive.store(1);
        } else {
            return;
        }
        ++fed_;
        ASSERT_TRUE(vyr::test::WaitFor([&] {
            return link_.counters.recordFramesTaken.load(std::memory_order_acquire) >= fed_;
        })) << "picture not taken";
    }
    // Feeds every picture with recording requested, setting the clock (on 2031-07-09) before the
    // pictures named in `times` and asking for the stop before picture `stop`.
    void FeedAll(vyr::test::TestClock& clock, const std::vector<Picture>& pictures,
                 const Times& times, size_t stop) {
        Globals().recordingRequested.store(1);
        for (size_t i = 0; i < pictures.size(); ++i) {
            if (const auto time = times.find(i); time != times.end()) {
                clock.Set(2031, 7, 9, time->second[0], time->second[1], time->second[2]);
            }
            if (i == stop) {
                Globals().recordingRequested.store(0);
            }
            Feed(pictures[i]);
        }
    }

    std::string VideoFile(const std::string& name) const {
        return (root_.path() / "video" / name).string();
    }
    std::vector<std::string> VideoFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_.path() / "video")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Every file is closed with its index, ffprobe reads the codec, size and rate given, the
    // header's frame count and the packets it reads agree, and ffmpeg decodes it without a word
    // (the stream copies show that it starts at a key frame). Returns the number of chunks.
    size_t ExpectPlayable(const std::string& name, const std::string& stream) {
        const std::string path = VideoFile(name);
        const auto avi = vyr::test::ReadAvi(vyr::test::ReadFileBytes(path));
        EXPECT_TRUE(avi.error.empty()) << avi.error;
        EXPECT_TRUE(avi.hasIdx1) << path;
        const std::string count = std::to_string(avi.index.size());
        EXPECT_EQ(
            RunCommand("ffprobe -v error -count_packets -show_entries stream=codec_name,width,"
                       "height,r_frame_rate,nb_read_packets,nb_frames -of csv=p=0 " +
                       ShellQuote(path))
                .output,
            stream + "," + count + "," + count + "\n");
        EXPECT_EQ(RunCommand("ffmpeg -v error -i " + ShellQuote(path) + " -f null - 2>&1").output,
                  "");
        return avi.index.size();
    }

    static std::vector<uint8_t> Join(const std::vector<Picture>& pictures, size_t from, size_t to) {
        std::vector<uint8_t> joined;
        for (size_t i = from; i <= to; ++i) {
            joined.insert(joined.end(), pictures[i].bytes.begin(), pictures[i].bytes.end());
        }
        return joined;
    }

    vyr::test::TempDir root_;
    vyr::LinkShared link_;
    std::thread thread_;
    uint64_t fed_ = 0;
};

// Opened at minute 57: no split at 11:01:59, a split at 11:02:00 and at 11:07:00, on P pictures.
TEST_F(RecordingThreadTest, H264AcrossTheHourGivesThreeFilesSplitAtKeyFrames) {
    const auto units = vyr::test::SplitPictures(vyr::test::MakeH264Stream(
        root_.path().string(), {"testsrc=size=320x240:rate=25", 40,
                                "keyint=10:min-keyint=10:scenecut=0:repeat-headers=1", ""}));
    std::vector<size_t> keys;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i].isKey) {
            keys.push_back(i);
        }
    }
    ASSERT_EQ(units.size(), 40u);
    ASSERT_EQ(keys.size(), 4u);

    Globals().mjpegMode.store(0);
    vyr::test::TestClock clock(2031, 7, 9, 10, 57, 30);
    FeedAll(clock, units,
            {{keys[0] + 3, {11, 1, 59}},
             {keys[0] + 6, {11, 2, 0}},
             {keys[1] + 6, {11, 7, 0}},
             {keys[2] + 6, {11, 9, 30}}},
            keys[2] + 6);
    EXPECT_EQ(Globals().recordingActive.load(), 0);
    EXPECT_EQ(link_.counters.recordFilesClosed.load(), 3u);
    // The first file from the first key picture up to the split; the second from the next key
    // picture; the third until the first key picture after the stop, which it still holds.
    const std::vector<std::string> names = {"20310709105730.avi", "20310709110200.avi",
                                            "20310709110700.avi"};
    const std::vector<uint8_t> contents[] = {Join(units, keys[0], keys[0] + 5),
                                             Join(units, keys[1], keys[1] + 5),
                                             Join(units, keys[2], keys[3])};
    ASSERT_EQ(VideoFiles(), names);
    for (size_t f = 0; f < names.size(); ++f) {
        SCOPED_TRACE(names[f]);
        ExpectPlayable(names[f], "h264,320,240,25/1");
        EXPECT_EQ(StreamCopy(VideoFile(names[f]), "h264"), contents[f]);
    }
}

// A folder that cannot be opened records nothing, and every key frame tries again. A disk that
// fills up mid-recording (a file-size limit here): the file is closed with its index and plays
// with every picture written before the refused one; the recording goes on in a new file,
// numbered because its second's name is taken, and that file plays too.
TEST_F(RecordingThreadTest, NoFolderOrAFullDiskLosesOnlyWhatCouldNotBeWritten) {
    std::vector<Picture> fed = Jpegs(12);
    fed.push_back(fed[2]);  // the first key frame after the stop closes the file
    // Room for the header, four chunks and their index, not for a fifth chunk.
    rlim_t limit = 2048 + 8 + 4 * 16;
    for (size_t i = 2; i < 6; ++i) {
        limit += 8 + fed[i].bytes.size() + (fed[i].bytes.size() & 1);
    }
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    std::filesystem::remove(root_.path() / "video");
    testing::internal::CaptureStdout();
    Globals().recordingRequested.store(1);
    Feed(fed[0]);
    Feed(fed[1]);
    std::filesystem::create_directories(root_.path() / "video");
    {
        vyr::test::FileSizeLimit full(limit);
        FeedAll(clock, {fed.begin() + 2, fed.end()}, {}, 10);
    }
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string path = VideoFile("20310709100030.avi");
    EXPECT_EQ(
        console.find("AVI_open_output_file  error.\nAVI_open_output_file  error.\ncreate file: " +
                     path + " OK.\n"),
        0u)
        << console;
    EXPECT_NE(console.find("AVI_write_frame error.\n" + path + " closed: File too large.\n"),
              std::string::npos)
        << console;

    const auto files = VideoFiles();
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(files[0], "20310709100030.avi");
    EXPECT_EQ(files[1], "20310709100030_01.avi");
    // The pictures fed once the folder is there, in order; the refused one is lost, the next
    // opens the new file.
    size_t next = 2;  // the first picture of the file in question
    for (size_t f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(files[f]);
        const size_t packets = ExpectPlayable(files[f], "mjpeg,320,240,20/1");
        EXPECT_TRUE(f != 0 || packets == 4u) << packets;
        ASSERT_TRUE(packets > 0 && next + packets <= fed.size());
        EXPECT_EQ(StreamCopy(VideoFile(files[f]), "mjpeg"), Join(fed, next, next + packets - 1));
        next += packets + 1;
    }
}

}  // namespace
