// The Motion-JPEG frame path fed through ReceiveRing with the simulated camera's JPEGs: the fixed
// display sizes, full-range colours, pictures smaller than the display, the recording hand-off,
// and a snapshot refused for its path's length (snapshots taken through the whole link:
// capture_link_test).
#include "video/jpeg_frame_path.h"

#include <filesystem>

#include "support/notification_recorder.h"
#include "support/temp_dir.h"
#include "support/test_clock.h"
#include "tests/video/frame_path_fixture.h"
#include "tools/camsim/frame_loop.h"
#include "tools/camsim/protocol_messages.h"
#include "tools/camsim/test_pattern.h"

namespace {

using vyr::Globals;

class JpegFramePathTest : public vyr::test::FramePathFixture {
protected:
    void SetUp() override {
        FramePathFixture::SetUp();
        link_.notifyWindow.store(&notes_);
        link_.exeDir = root_.path().string();
    }

    static std::vector<std::vector<uint8_t>> PatternJpegs(int width, int height, int count) {
        vyr::camsim::CameraConfig config;
        config.streamKind = vyr::camsim::StreamKind::Mjpeg;
        config.width = width;
        config.height = height;
        config.loopFrames = count;
        vyr::camsim::FrameLoop loop;
        std::string error;
        EXPECT_TRUE(vyr::camsim::BuildPatternLoop(config, &loop, &error)) << error;
        return loop.frames;
    }
    // The JPEGs in the camera's blocks.
    static void SendJpegs(const std::vector<std::vector<uint8_t>>& jpegs) {
        for (const auto& jpeg : jpegs) {
            std::vector<uint8_t> blocks;
            ASSERT_TRUE(vyr::camsim::AppendMjpegBlocks(jpeg, &blocks));
            Send(blocks);
        }
    }
    bool WaitForDecoded(uint64_t count) {
        return vyr::test::WaitFor([&] { return link_.counters.framesDecoded.load() >= count; });
    }

    vyr::test::TempDir root_;
    vyr::test::NotificationRecorder notes_;
};

TEST_F(JpegFramePathTest, DisplaySizeAndFullRangeColours) {
    struct Case {
        int width, height, displayWidth, displayHeight;
    };
    for (const Case c :
         {Case{1920, 1080, 1920, 1080}, Case{1280, 1024, 1280, 1024}, Case{640, 480, 1280, 1024}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const int before = sink_.frames();
        StartPath(vyr::JpegFramePath);
        SendJpegs(PatternJpegs(c.width, c.height, 3));
        ASSERT_TRUE(sink_.WaitForFrames(before + 3));
        EXPECT_EQ(Globals().frameWidth.load(), c.displayWidth);
        EXPECT_EQ(Globals().frameHeight.load(), c.displayHeight);
        // A picture smaller than the display is shown at its own size, undistorted.
        EXPECT_EQ(sink_.width(), c.width);
        EXPECT_EQ(sink_.height(), c.height);
        // JPEG at quality about 90 keeps flat patches within a few steps. A limited-range
        // conversion would put grey 32 near 19 and grey 224 near 242: well outside.
        for (const auto& patch : vyr::camsim::TestPatternPatches(c.width, c.height)) {
            const auto bgr = sink_.Pixel(patch.x + patch.width / 2, patch.y + patch.height / 2);
            EXPECT_NEAR(bgr[0], patch.colour.b, 6) << patch.name;
            EXPECT_NEAR(bgr[1], patch.colour.g, 6) << patch.name;
            EXPECT_NEAR(bgr[2], patch.colour.r, 6) << patch.name;
        }
        StopPath();
    }
}

TEST_F(JpegFramePathTest, EveryFrameGoesToTheRecordingOnceRequested) {
    const auto jpegs = PatternJpegs(320, 240, 4);
    StartPath(vyr::JpegFramePath);
    SendJpegs({jpegs[0]});
    ASSERT_TRUE(WaitForDecoded(1));
    EXPECT_EQ(Globals().recordingActive.load(), 0);
    Globals().recordingRequested.store(1);
    SendJpegs({jpegs.begin() + 1, jpegs.end()});
    ASSERT_TRUE(WaitForDecoded(jpegs.size()));
    EXPECT_EQ(Globals().recordingActive.load(), 1);
    EXPECT_EQ(TakeChunks(3), (std::vector<Chunk>{{jpegs[1], 1}, {jpegs[2], 1}, {jpegs[3], 1}}));
}

TEST_F(JpegFramePathTest, SnapshotPathOverTheRecordLimitIsRefusedNotCut) {
    // {root}/jpg/{folder}/YYYYMMDD_hhmmss.bmp with a folder name that makes it 255 characters; the
    // folder exists, so only the length can stop the snapshot.
    const size_t fixed =
        root_.path().string().size() + std::string("/jpg//20310709_100030.bmp").size();
    ASSERT_LT(fixed, 255u);
    const std::string folder(255 - fixed, 'x');
    link_.SetPatientFolderName(folder);
    std::filesystem::create_directories(root_.path() / "jpg" / folder);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    link_.snapshotFlags.StoreBoth(vyr::SnapshotFlags::kCaptureBit);
    StartPath(vyr::JpegFramePath);
    // The decode thread finishes the first frame's snapshot before it draws the second frame.
    SendJpegs(PatternJpegs(320, 240, 2));
    ASSERT_TRUE(sink_.WaitForFrames(2));
    EXPECT_FALSE(link_.snapshotFlags.captureRequested());
    EXPECT_EQ(notes_.Count(), 0u);
    EXPECT_EQ(link_.counters.snapshotsTaken.load(), 0u);
}

}  // namespace
