// The Motion-JPEG frame path fed through ReceiveRing with the simulated camera's JPEGs: the fixed
// display sizes, full-range colours, pictures smaller than the display, the recording hand-off,
// and snapshots at the JPEG's full size (read back with QImage).
#include "video/jpeg_frame_path.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <thread>

#include "linkstate/link_shared.h"
#include "support/notification_recorder.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "support/test_clock.h"
#include "tools/camsim/frame_loop.h"
#include "tools/camsim/protocol_messages.h"
#include "tools/camsim/test_pattern.h"

namespace {

using vyr::Globals;
using vyr::camsim::PatternPatch;

std::vector<std::vector<uint8_t>> PatternJpegs(int width, int height, int count) {
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

class JpegFramePathTest : public testing::Test {
protected:
    void SetUp() override {
        Globals().receiveRing.Reset();
        Globals().recordRing.ResetRecordRing();
        Globals().recordingRequested.store(0);
        Globals().recordingActive.store(0);
        link_.videoWindow.store(&sink_);
        link_.notifyWindow.store(&notes_);
        link_.exeDir = root_.path().string();
        link_.SetPatientFolderName("5550123");
        std::filesystem::create_directories(root_.path() / "jpg" / "5550123");
    }
    void TearDown() override { StopPath(); }

    void StartPath() {
        link_.stopRequested.store(0);
        thread_ = std::thread([this] { vyr::JpegFramePath(link_); });
    }
    void StopPath() {
        link_.stopRequested.store(1);
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // Cuts the JPEG into stream blocks and puts them into the ring, waiting for room.
    void Send(const std::vector<uint8_t>& jpeg) {
        std::vector<uint8_t> blocks;
        ASSERT_TRUE(vyr::camsim::AppendMjpegBlocks(jpeg, &blocks));
        for (size_t at = 0; at < blocks.size(); at += vyr::kStreamBlockBytes) {
            while (!Globals().receiveRing.PushReceiveBlock(blocks.data() + at,
                                                           vyr::kStreamBlockBytes)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }

    bool WaitForDecoded(uint64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (link_.counters.framesDecoded.load() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    template <typename PixelAt>
    void ExpectPattern(int width, int height, PixelAt pixelAt) {
        for (const PatternPatch& patch : vyr::camsim::TestPatternPatches(width, height)) {
            SCOPED_TRACE(patch.name);
            const std::array<int, 3> bgr =
                pixelAt(patch.x + patch.width / 2, patch.y + patch.height / 2);
            // JPEG at quality about 90 keeps flat patches within a few steps. A limited-range
            // conversion would put grey 32 near 19 and grey 224 near 242: well outside.
            EXPECT_NEAR(bgr[0], patch.colour.b, 6);
            EXPECT_NEAR(bgr[1], patch.colour.g, 6);
            EXPECT_NEAR(bgr[2], patch.colour.r, 6);
        }
    }

    vyr::test::TempDir root_;
    vyr::LinkShared link_;
    vyr::test::RecordingSink sink_;
    vyr::test::NotificationRecorder notes_;
    std::thread thread_;
};

TEST_F(JpegFramePathTest, DisplaySizeAndFullRangeColours) {
    struct Case {
        int width, height, displayWidth, displayHeight;
    };
    for (const Case c :
         {Case{1920, 1080, 1920, 1080}, Case{1280, 1024, 1280, 1024}, Case{640, 480, 1280, 1024}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const int before = sink_.frames();
        StartPath();
        for (const auto& jpeg : PatternJpegs(c.width, c.height, 3)) {
            Send(jpeg);
        }
        ASSERT_TRUE(sink_.WaitForFrames(before + 3));
        EXPECT_EQ(Globals().frameWidth.load(), c.displayWidth);
        EXPECT_EQ(Globals().frameHeight.load(), c.displayHeight);
        // A picture smaller than the display is shown at its own size, undistorted.
        EXPECT_EQ(sink_.width(), c.width);
        EXPECT_EQ(sink_.height(), c.height);
        ExpectPattern(c.width, c.height, [&](int x, int y) { return sink_.Pixel(x, y); });
        StopPath();
    }
}

TEST_F(JpegFramePathTest, EveryFrameGoesToTheRecordingOnceRequested) {
    const auto jpegs = PatternJpegs(320, 240, 4);
    StartPath();
    Send(jpegs[0]);
    ASSERT_TRUE(WaitForDecoded(1));
    EXPECT_EQ(Globals().recordingActive.load(), 0);
    Globals().recordingRequested.store(1);
    for (size_t i = 1; i < jpegs.size(); ++i) {
        Send(jpegs[i]);
    }
    ASSERT_TRUE(WaitForDecoded(jpegs.size()));
    EXPECT_EQ(Globals().recordingActive.load(), 1);
    for (size_t i = 1; i < jpegs.size(); ++i) {
        vyr::RecordFrameView frame;
        ASSERT_TRUE(Globals().recordRing.PeekFrame(&frame));
        EXPECT_EQ(std::vector<uint8_t>(frame.data, frame.data + frame.size), jpegs[i]);
        EXPECT_EQ(frame.keyFrame, 1);
        Globals().recordRing.ReleaseFrame();
    }
    vyr::RecordFrameView none;
    EXPECT_FALSE(Globals().recordRing.PeekFrame(&none));
    Globals().recordingRequested.store(0);
}

TEST_F(JpegFramePathTest, SnapshotIsTheNextFrameAtFullSizeAndIsNotDrawnWhilePaused) {
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    const auto jpegs = PatternJpegs(640, 480, 2);
    link_.snapshotFlags.StoreBoth(vyr::SnapshotFlags::kBoth);  // the camera button's request
    StartPath();
    Send(jpegs[0]);
    ASSERT_TRUE(notes_.WaitForCount(1));
    const std::string path = (root_.path() / "jpg/5550123/20310709_100030.bmp").string();
    const auto entries = notes_.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].isSnapshot);
    EXPECT_EQ(entries[0].Path(), path);
    EXPECT_EQ(Globals().LastSnapshotPath(), path);
    EXPECT_FALSE(link_.snapshotFlags.captureRequested());
    EXPECT_TRUE(link_.snapshotFlags.displayPaused());

    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 640);
    EXPECT_EQ(image.height(), 480);
    ExpectPattern(640, 480, [&](int x, int y) {
        const QRgb rgb = image.pixel(x, y);
        return std::array<int, 3>{qBlue(rgb), qGreen(rgb), qRed(rgb)};
    });

    // Still paused: the next frame is decoded but neither drawn nor saved again.
    Send(jpegs[1]);
    ASSERT_TRUE(WaitForDecoded(2));
    EXPECT_EQ(sink_.frames(), 0);
    EXPECT_EQ(notes_.Count(), 1u);
}

TEST_F(JpegFramePathTest, ReleaseBeforeTheNextFrameCancelsTheSnapshot) {
    const auto jpegs = PatternJpegs(320, 240, 1);
    link_.snapshotFlags.StoreBoth(vyr::SnapshotFlags::kBoth);
    link_.snapshotFlags.StoreBoth(0);
    StartPath();
    Send(jpegs[0]);
    ASSERT_TRUE(sink_.WaitForFrames(1));
    EXPECT_EQ(notes_.Count(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(root_.path() / "jpg/5550123"));
}

TEST_F(JpegFramePathTest, SnapshotPathOverTheRecordLimitIsRefusedNotCut) {
    // {root}/jpg/{folder}/YYYYMMDD_hhmmss.bmp with a folder name that makes it 255 characters.
    const size_t fixed =
        root_.path().string().size() + std::string("/jpg//20310709_100030.bmp").size();
    ASSERT_LT(fixed, 255u);
    const std::string folder(255 - fixed, 'x');
    // The folder exists, so only the length can stop the snapshot.
    std::filesystem::create_directories(root_.path() / "jpg" / folder);
    link_.SetPatientFolderName(folder);
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    link_.snapshotFlags.StoreBoth(vyr::SnapshotFlags::kCaptureBit);
    StartPath();
    // The decode thread finishes the first frame's snapshot before it draws the second frame.
    const auto jpegs = PatternJpegs(320, 240, 2);
    Send(jpegs[0]);
    Send(jpegs[1]);
    ASSERT_TRUE(sink_.WaitForFrames(2));
    EXPECT_FALSE(link_.snapshotFlags.captureRequested());
    EXPECT_EQ(notes_.Count(), 0u);
    EXPECT_EQ(link_.counters.snapshotsTaken.load(), 0u);
}

}  // namespace
