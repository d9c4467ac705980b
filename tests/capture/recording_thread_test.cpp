// The recording thread fed through RecordRing as the decode threads feed it, with the local clock
// set by the test: twelve simulated minutes give three files split at minutes 5 and 10, each
// starting at a key frame; ffprobe reads each with the right codec, size and rate, and ffmpeg's
// stream copy of the files gives back exactly the frames fed (H.264 pictures with the parameter
// sets before them), but for those dropped between a split and the next key frame. Also the split
// across the hour, a link stopped mid-recording and a disk that fills up.
#include "capture/recording_thread.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "linkstate/link_shared.h"
#include "support/avi_reader.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/h264_stream.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "support/test_clock.h"
#include "tools/camsim/frame_loop.h"

namespace {

using vyr::Globals;
using Unit = std::vector<uint8_t>;

class RecordingThreadTest : public testing::Test {
protected:
    void SetUp() override {
        Globals().recordRing.ResetRecordRing();
        Globals().recordingRequested.store(0);
        Globals().recordingActive.store(0);
        Globals().frameWidth.store(320);
        Globals().frameHeight.store(240);
        link_.exeDir = root_.path().string();
        std::filesystem::create_directories(root_.path() / "video");
        thread_ = std::thread([this] { vyr::RecordingThread(link_); });
    }
    void TearDown() override { StopLink(); }

    void StopLink() {
        link_.stopRequested.store(1);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The decode threads' hand-off; returns once the recording thread has taken the unit.
    void Feed(const Unit& unit, bool isKey) {
        vyr::StreamGlobals& globals = Globals();
        if (globals.recordingActive.load() != 0) {
            ASSERT_EQ(globals.recordRing.PushRecordFrame(
                          unit.data(), static_cast<int32_t>(unit.size()), isKey ? 1 : 0),
                      1);
        } else if (globals.recordingRequested.load() == 1 && isKey) {
            globals.recordRing.ResetRecordRing();
            globals.recordRing.PushRecordFrame(unit.data(), static_cast<int32_t>(unit.size()), 1);
            globals.recordingActive.store(1);
        } else {
            return;
        }
        ++fed_;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (link_.counters.recordFramesTaken.load(std::memory_order_acquire) < fed_) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "unit not taken";
            std::this_thread::sleep_for(std::chrono::microseconds(200));
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

    // codec_name, width, height, r_frame_rate of the file's video stream, as ffprobe reads them.
    std::string Probe(const std::string& path) {
        const auto result = vyr::test::RunCommand(
            "ffprobe -v error -select_streams v:0 -show_entries "
            "stream=codec_name,width,height,r_frame_rate -of csv=p=0 " +
            vyr::test::ShellQuote(path));
        EXPECT_EQ(result.exitCode, 0) << path;
        return result.output;
    }

    // The file's payloads as ffmpeg's stream copy writes them out in the raw format. A copy drops
    // whatever comes before the first packet it takes for a key frame, so every file must start
    // with a whole key picture.
    Unit StreamCopy(const std::string& path, const std::string& format) {
        const std::string out = (root_.path() / "copy.raw").string();
        const auto result = vyr::test::RunCommand(
            "ffmpeg -v error -y -i " + vyr::test::ShellQuote(path) + " -c copy -f " + format + " " +
            vyr::test::ShellQuote(out) + " 2>&1");
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return vyr::test::ReadFileBytes(out);
    }

    static Unit Join(const std::vector<Unit>& units, size_t from, size_t to) {
        Unit joined;
        for (size_t i = from; i <= to; ++i) {
            joined.insert(joined.end(), units[i].begin(), units[i].end());
        }
        return joined;
    }

    // Every file is closed with its index, and its first chunk is indexed as a key frame.
    void ExpectIndexedFromKeyFrame(const std::string& path) {
        const auto avi = vyr::test::ReadAvi(vyr::test::ReadFileBytes(path));
        ASSERT_TRUE(avi.error.empty()) << avi.error;
        EXPECT_TRUE(avi.hasIdx1) << path;
        ASSERT_FALSE(avi.index.empty());
        EXPECT_EQ(avi.index.size(), avi.chunks.size());
        EXPECT_NE(avi.index[0].flags & 0x10u, 0u) << "first chunk not a key frame";
    }

    vyr::test::TempDir root_;
    vyr::LinkShared link_;
    std::thread thread_;
    uint64_t fed_ = 0;
};

TEST_F(RecordingThreadTest, TwelveMinutesOfH264GiveThreeFilesSplitAtKeyFrames) {
    vyr::test::H264StreamOptions options;
    options.lavfiInput = "testsrc=size=320x240:rate=25";
    options.frames = 40;
    options.x264Params = "keyint=10:min-keyint=10:scenecut=0:repeat-headers=1";
    std::string log;
    const Unit stream = vyr::test::MakeH264Stream(root_.path().string(), options, &log);
    ASSERT_FALSE(stream.empty()) << log;
    // One chunk per picture, as the decode thread hands them over: each of these pictures is one
    // slice, and the parameter sets and SEI before it go with it.
    std::vector<Unit> units;
    std::vector<size_t> keys;  // pictures headed by the SPS (header 0x67): the IDR pictures
    Unit picture;
    for (const Unit& nal : vyr::test::SplitNalUnits(stream)) {
        if (picture.empty() && nal[0] == 0x67) {
            keys.push_back(units.size());
        }
        picture.insert(picture.end(), {0, 0, 0, 1});
        picture.insert(picture.end(), nal.begin(), nal.end());
        if ((nal[0] & 0x1F) == 1 || (nal[0] & 0x1F) == 5) {
            units.push_back(picture);
            picture.clear();
        }
    }
    ASSERT_EQ(units.size(), 40u);
    ASSERT_EQ(keys.size(), 4u);
    const auto isKey = [](const Unit& u) { return u[4] == 0x65 || u[4] == 0x67; };

    Globals().mjpegMode.store(0);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    const size_t split1 = keys[0] + 6;  // P pictures of the first GOP
    const size_t split2 = keys[1] + 6;
    const size_t stop = keys[2] + 6;
    Globals().recordingRequested.store(1);  // units before the first SPS are not recorded
    for (size_t i = 0; i < units.size(); ++i) {
        if (i == keys[0] + 3) {
            clock.Set(2031, 7, 9, 10, 4, 59);
        }
        if (i == split1) {
            clock.Set(2031, 7, 9, 10, 5, 0);
        }
        if (i == split2) {
            clock.Set(2031, 7, 9, 10, 10, 0);
        }
        if (i == stop) {
            clock.Set(2031, 7, 9, 10, 12, 30);
            Globals().recordingRequested.store(0);
        }
        Feed(units[i], isKey(units[i]));
    }
    EXPECT_EQ(Globals().recordingActive.load(), 0);
    EXPECT_EQ(link_.counters.recordFilesClosed.load(), 3u);
    ASSERT_EQ(VideoFiles(), (std::vector<std::string>{"20310709100030.avi", "20310709100500.avi",
                                                      "20310709101000.avi"}));

    // The first file from the first key picture up to the split; the second from the next key
    // picture; the third until the first key picture after the stop, which it still holds.
    const Unit expected[] = {Join(units, keys[0], split1 - 1), Join(units, keys[1], split2 - 1),
                             Join(units, keys[2], keys[3])};
    const std::string names[] = {"20310709100030.avi", "20310709100500.avi", "20310709101000.avi"};
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(names[f]);
        const std::string path = VideoFile(names[f]);
        EXPECT_EQ(Probe(path), "h264,320,240,25/1\n");
        ExpectIndexedFromKeyFrame(path);
        EXPECT_EQ(StreamCopy(path, "h264"), expected[f]);
    }
}

TEST_F(RecordingThreadTest, TwelveMinutesOfMotionJpegGiveThreeFiles) {
    vyr::camsim::CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = 320;
    config.height = 240;
    config.loopFrames = 12;
    vyr::camsim::FrameLoop loop;
    std::string error;
    ASSERT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
    const std::vector<Unit>& jpegs = loop.frames;

    Globals().mjpegMode.store(1);
    Globals().recordingRequested.store(1);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    for (size_t i = 0; i < jpegs.size(); ++i) {
        if (i == 4) {
            clock.Set(2031, 7, 9, 10, 5, 0);  // this picture is dropped; the next opens a file
        }
        if (i == 5) {
            clock.Set(2031, 7, 9, 10, 5, 1);
        }
        if (i == 8) {
            clock.Set(2031, 7, 9, 10, 10, 0);
        }
        if (i == 9) {
            clock.Set(2031, 7, 9, 10, 10, 2);
        }
        if (i == 10) {
            Globals().recordingRequested.store(0);  // picture 10 still ends up in the file
        }
        Feed(jpegs[i], true);
    }
    ASSERT_EQ(VideoFiles(), (std::vector<std::string>{"20310709100030.avi", "20310709100501.avi",
                                                      "20310709101002.avi"}));
    const Unit expected[] = {Join(jpegs, 0, 3), Join(jpegs, 5, 7), Join(jpegs, 9, 10)};
    const std::string names[] = {"20310709100030.avi", "20310709100501.avi", "20310709101002.avi"};
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(names[f]);
        const std::string path = VideoFile(names[f]);
        EXPECT_EQ(Probe(path), "mjpeg,320,240,20/1\n");
        ExpectIndexedFromKeyFrame(path);
        EXPECT_EQ(StreamCopy(path, "mjpeg"), expected[f]);
    }
}

TEST_F(RecordingThreadTest, FileOpenedAtMinute57IsSplitAtMinute2OfTheNextHour) {
    Globals().mjpegMode.store(1);
    Globals().recordingRequested.store(1);
    const Unit picture{0xFF, 0xD8, 0xFF, 0xD9};
    vyr::test::TestClock clock(2031, 7, 9, 10, 57, 10);
    Feed(picture, true);
    clock.Set(2031, 7, 9, 11, 1, 59);
    Feed(picture, true);
    EXPECT_EQ(link_.counters.recordFilesClosed.load(), 0u);
    clock.Set(2031, 7, 9, 11, 2, 0);
    Feed(picture, true);
    EXPECT_EQ(link_.counters.recordFilesClosed.load(), 1u);
    Feed(picture, true);
    EXPECT_EQ(VideoFiles(), (std::vector<std::string>{"20310709105710.avi", "20310709110200.avi"}));
}

TEST_F(RecordingThreadTest, LinkStoppedMidRecordingLeavesAClosedIndexedFile) {
    Globals().mjpegMode.store(1);
    vyr::camsim::CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = 320;
    config.height = 240;
    config.loopFrames = 5;
    vyr::camsim::FrameLoop loop;
    std::string error;
    ASSERT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    Globals().recordingRequested.store(1);
    for (const Unit& jpeg : loop.frames) {
        Feed(jpeg, true);
    }
    // Stop asked for, but the link stops before another picture arrives.
    Globals().recordingRequested.store(0);
    StopLink();
    EXPECT_EQ(link_.counters.recordFilesClosed.load(), 1u);
    const std::string path = VideoFile("20310709100030.avi");
    ExpectIndexedFromKeyFrame(path);
    const auto count = vyr::test::RunCommand(
        "ffprobe -v error -count_packets -show_entries stream=nb_read_packets,nb_frames -of "
        "csv=p=0 " +
        vyr::test::ShellQuote(path));
    EXPECT_EQ(count.output, "5,5\n");  // the header's frame count and the packets read agree
}

TEST_F(RecordingThreadTest, UnopenableFolderRecordsNothingAndRetriesAtTheNextKeyFrame) {
    std::filesystem::remove(root_.path() / "video");
    Globals().mjpegMode.store(1);
    Globals().recordingRequested.store(1);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    testing::internal::CaptureStdout();
    Feed({0xFF, 0xD8, 0xFF, 0xD9}, true);
    Feed({0xFF, 0xD8, 0xFF, 0xD9}, true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "AVI_open_output_file  error.\nAVI_open_output_file  error.\n");
    std::filesystem::create_directories(root_.path() / "video");
    Feed({0xFF, 0xD8, 0xFF, 0xD9}, true);
    EXPECT_EQ(VideoFiles(), (std::vector<std::string>{"20310709100030.avi"}));
}

// A disk that fills up mid-recording (a file-size limit here): the file is closed with its index
// and plays with every picture written before the refused one; the recording goes on in a new
// file, numbered because its second's name is taken, and that file plays too.
TEST_F(RecordingThreadTest, RecordingCutByAFullDiskPlaysAndGoesOnInANumberedFile) {
    vyr::camsim::CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = 320;
    config.height = 240;
    config.loopFrames = 10;
    vyr::camsim::FrameLoop loop;
    std::string error;
    ASSERT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
    const std::vector<Unit>& jpegs = loop.frames;
    // Room for the header, four chunks and their index, not for a fifth chunk.
    rlim_t limit = 2048 + 8 + 4 * 16;
    for (size_t i = 0; i < 4; ++i) {
        limit += 8 + jpegs[i].size() + (jpegs[i].size() & 1);
    }

    Globals().mjpegMode.store(1);
    Globals().recordingRequested.store(1);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    testing::internal::CaptureStdout();
    {
        vyr::test::FileSizeLimit full(limit);
        for (const Unit& jpeg : jpegs) {
            Feed(jpeg, true);
        }
        Globals().recordingRequested.store(0);
        Feed(jpegs[0], true);  // the first key frame after the stop closes the file
    }
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_NE(console.find("AVI_write_frame error.\n" + VideoFile("20310709100030.avi") +
                           " closed: File too large.\n"),
              std::string::npos)
        << console;

    const auto files = VideoFiles();
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(files[0], "20310709100030.avi");
    EXPECT_EQ(files[1], "20310709100030_01.avi");
    // The pictures fed, in order; the refused one is lost, the next opens the new file.
    std::vector<Unit> fed(jpegs.begin(), jpegs.end());
    fed.push_back(jpegs[0]);
    size_t next = 0;  // the first picture of the file in question
    for (size_t f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(files[f]);
        const std::string path = VideoFile(files[f]);
        ExpectIndexedFromKeyFrame(path);
        const auto count = vyr::test::RunCommand(
            "ffprobe -v error -count_packets -show_entries stream=nb_read_packets,nb_frames -of "
            "csv=p=0 " +
            vyr::test::ShellQuote(path));
        const size_t packets = vyr::test::ReadAvi(vyr::test::ReadFileBytes(path)).index.size();
        EXPECT_EQ(count.output, std::to_string(packets) + "," + std::to_string(packets) + "\n");
        const auto decode = vyr::test::RunCommand("ffmpeg -v error -i " +
                                                  vyr::test::ShellQuote(path) + " -f null - 2>&1");
        EXPECT_EQ(decode.exitCode, 0);
        EXPECT_EQ(decode.output, "");
        if (f == 0) {
            EXPECT_EQ(packets, 4u);
        }
        ASSERT_GT(packets, 0u);
        ASSERT_LE(next + packets, fed.size());
        EXPECT_EQ(StreamCopy(path, "mjpeg"), Join(fed, next, next + packets - 1));
        next += packets + 1;
    }
}

}  // namespace
