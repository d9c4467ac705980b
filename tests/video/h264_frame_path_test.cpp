// The H.264 frame path fed through ReceiveRing with real libx264 streams: pictures at the stream's
// size and colours, multi-slice pictures, full-range colour, the frame-size rule, the recording
// hand-off, and refused parameter sets and pictures.
#include "video/h264_frame_path.h"

#include <gtest/gtest.h>

#include <thread>

#include "linkstate/link_shared.h"
#include "support/h264_stream.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "video/nal_splitter.h"

namespace {

using vyr::Globals;
using vyr::test::RecordingSink;

// Red over the top half, blue over the bottom half.
std::string TwoColourInput(int width, int height) {
    return "color=c=red:size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":rate=25,drawbox=x=0:y=" + std::to_string(height / 2) +
           ":w=iw:h=ih/2:color=blue:t=fill";
}

class H264FramePathTest : public testing::Test {
protected:
    void SetUp() override {
        vyr::NalSplitter::ResetRegisterForTest();
        Globals().receiveRing.Reset();
        Globals().recordRing.ResetRecordRing();
        Globals().recordingRequested.store(0);
        Globals().recordingActive.store(0);
        link_.videoWindow.store(&sink_);
        thread_ = std::thread([this] { vyr::H264FramePath(link_); });
    }
    void TearDown() override {
        link_.stopRequested.store(1);
        thread_.join();
    }

    // Puts the stream into the ring in 4096-byte blocks, as the stream thread does, waiting for
    // room when the ring is full.
    void Send(const std::vector<uint8_t>& stream) {
        for (size_t at = 0; at < stream.size(); at += vyr::kStreamBlockBytes) {
            uint8_t block[vyr::kStreamBlockBytes] = {};
            const size_t count = std::min<size_t>(vyr::kStreamBlockBytes, stream.size() - at);
            std::copy_n(stream.begin() + static_cast<long>(at), count, block);
            while (!Globals().receiveRing.PushReceiveBlock(block, vyr::kStreamBlockBytes)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }

    std::vector<uint8_t> Stream(const std::string& input, int frames,
                                const std::string& params = "", const std::string& args = "") {
        vyr::test::H264StreamOptions options;
        options.lavfiInput = input;
        options.frames = frames;
        options.x264Params = params;
        options.extraEncoderArgs = args;
        std::string log;
        auto stream = vyr::test::MakeH264Stream(dir_.path().string(), options, &log);
        EXPECT_FALSE(stream.empty()) << log;
        return stream;
    }

    void ExpectNear(std::array<int, 3> bgr, std::array<int, 3> expected, int tolerance) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(bgr[i], expected[i], tolerance) << "channel " << i;
        }
    }

    vyr::test::TempDir dir_;
    vyr::LinkShared link_;
    RecordingSink sink_;
    std::thread thread_;
};

// The display size is 1280 wide only for 1280-wide streams; anything else is 1920 x 1080.
TEST_F(H264FramePathTest, Size1920x1080) {
    // Eight pictures; the start code of the next stream ends the last one.
    Send(Stream(TwoColourInput(1920, 1080), 8));
    Send(Stream(TwoColourInput(1920, 1080), 1));
    ASSERT_TRUE(sink_.WaitForFrames(8)) << sink_.frames();
    EXPECT_EQ(sink_.width(), 1920);
    EXPECT_EQ(sink_.height(), 1080);
    EXPECT_EQ(Globals().frameWidth.load(), 1920);
    EXPECT_EQ(Globals().frameHeight.load(), 1080);
    // Red and blue after x264 at its default quality: within a few steps.
    ExpectNear(sink_.Pixel(960, 270), {0, 0, 255}, 12);
    ExpectNear(sink_.Pixel(960, 810), {255, 0, 0}, 12);
}

TEST_F(H264FramePathTest, Size1280x1024) {
    Send(Stream(TwoColourInput(1280, 1024), 4));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    EXPECT_EQ(sink_.width(), 1280);
    EXPECT_EQ(sink_.height(), 1024);
    EXPECT_EQ(Globals().frameHeight.load(), 1024);
    ExpectNear(sink_.Pixel(640, 900), {255, 0, 0}, 12);
}

TEST_F(H264FramePathTest, Size1280x720) {
    Send(Stream(TwoColourInput(1280, 720), 4));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    EXPECT_EQ(sink_.width(), 1280);
    EXPECT_EQ(sink_.height(), 720);
    EXPECT_EQ(Globals().frameWidth.load(), 1280);
    EXPECT_EQ(Globals().frameHeight.load(), 720);
}

TEST_F(H264FramePathTest, PictureCutIntoSlicesDecodesWhole) {
    // Each slice is its own NAL unit and so its own packet; the bottom slices must not be lost.
    Send(Stream(TwoColourInput(640, 480), 6, "slices=4"));
    ASSERT_TRUE(sink_.WaitForFrames(5));
    // The very first picture, which no earlier picture can have concealed.
    ExpectNear(sink_.FirstPixel(320, 60), {0, 0, 255}, 12);
    ExpectNear(sink_.FirstPixel(320, 470), {255, 0, 0}, 12);
    ExpectNear(sink_.FirstPixel(10, 300), {255, 0, 0}, 12);
    EXPECT_EQ(link_.counters.framesDecoded.load(), static_cast<uint64_t>(sink_.frames()));
}

TEST_F(H264FramePathTest, FullRangeStreamKeepsDarkGreyAndLightGrey) {
    // Full-range grey 16 and 235 would become 0 and 255 if read as limited range.
    Send(
        Stream("color=c=0x101010:size=320x240:rate=25,drawbox=x=0:y=120:w=iw:h=ih/2:"
               "color=0xEBEBEB:t=fill",
               4, "", "-pix_fmt yuvj420p -color_range pc"));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    ExpectNear(sink_.Pixel(160, 40), {16, 16, 16}, 4);
    ExpectNear(sink_.Pixel(160, 200), {235, 235, 235}, 4);
}

TEST_F(H264FramePathTest, PictureLargerThanDisplayBufferIsNotShown) {
    // 2560 wide: the display buffer is 1920 x 1080, too small for it.
    Send(Stream("testsrc=size=2560x1440:rate=25", 3));
    Send(Stream(TwoColourInput(320, 240), 3));  // a later small stream is still shown
    ASSERT_TRUE(sink_.WaitForFrames(1));
    EXPECT_EQ(sink_.width(), 320);
    EXPECT_GE(link_.counters.framesDecoded.load(), 3u);
}

TEST_F(H264FramePathTest, RecordingStartsAtTheNextKeyUnit) {
    // One key frame every 10 pictures; recording is asked for after picture 3.
    const auto stream = Stream(TwoColourInput(320, 240), 30, "keyint=10:min-keyint=10:scenecut=0");
    const auto units = vyr::test::SplitNalUnits(stream);
    size_t slices = 0;
    size_t split = 0;
    for (; split < units.size() && slices < 4; ++split) {
        const int type = units[split][0] & 0x1F;
        slices += (type == 1 || type == 5) ? 1 : 0;
    }
    const std::vector<std::vector<uint8_t>> head(units.begin(),
                                                 units.begin() + static_cast<long>(split));
    const std::vector<std::vector<uint8_t>> tail(units.begin() + static_cast<long>(split),
                                                 units.end());
    Send(vyr::test::JoinWithLongStartCodes(head));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    vyr::RecordFrameView frame;
    EXPECT_FALSE(Globals().recordRing.PeekFrame(&frame));

    Globals().recordingRequested.store(1);
    Send(vyr::test::JoinWithLongStartCodes(tail));
    ASSERT_TRUE(sink_.WaitForFrames(25));
    EXPECT_EQ(Globals().recordingActive.load(), 1);
    ASSERT_TRUE(Globals().recordRing.PeekFrame(&frame));
    ASSERT_GT(frame.size, 4);
    EXPECT_TRUE(frame.data[4] == 0x65 || frame.data[4] == 0x67) << int{frame.data[4]};
    EXPECT_EQ(frame.keyFrame, 1);
    // Every unit after it follows, with its start code and the key flag of its header byte.
    int recorded = 0;
    while (Globals().recordRing.PeekFrame(&frame)) {
        EXPECT_EQ(frame.keyFrame, (frame.data[4] == 0x65 || frame.data[4] == 0x67) ? 1 : 0);
        EXPECT_EQ(frame.data[3], 1);
        Globals().recordRing.ReleaseFrame();
        ++recorded;
    }
    EXPECT_GT(recorded, 10);
}

TEST_F(H264FramePathTest, OverlongParameterSetsAreRefused) {
    // A sequence parameter set padded past the 100-byte parameter-set buffer keeps the decoder
    // closed: nothing is decoded until a usable one arrives.
    auto units = vyr::test::SplitNalUnits(Stream(TwoColourInput(320, 240), 4));
    for (auto& unit : units) {
        if ((unit[0] & 0x1F) == 7) {
            unit.resize(120, 0x80);
        }
    }
    Send(vyr::test::JoinWithLongStartCodes(units));
    Send(Stream(TwoColourInput(320, 240), 4));
    ASSERT_TRUE(sink_.WaitForFrames(2));
    // Only pictures of the second stream were decoded.
    EXPECT_LE(link_.counters.framesDecoded.load(), 4u);
}

}  // namespace
