// The H.264 stream as a client receives it: the time message is read and kept, the bytes decode
// (libavcodec's own parser and decoder) to pictures of the configured size with the pattern's
// colours, every start code is four bytes, SPS and PPS precede every IDR, IDRs come every
// gopFrames pictures and where the loop starts again, and the slice and colour-range options do
// what they say.
#include <algorithm>
#include <numeric>

#include "camera_fixture.h"
#include "raw_socket.h"
#include "support/h264_stream.h"

namespace vyr::camsim {
namespace {

using test::DecodeH264;
using test::DecodeResult;

// Connects, sends a time message and receives bytes for a loop and a half, so that the loop's
// restart is in the capture.
std::vector<uint8_t> CaptureStream(Camera* camera, test::Socket* keep = nullptr) {
    test::Socket socket =
        test::OpenStream(camera->StreamPort(), test::MakeTimeMessage(2026, 4, 15, 10, 30, 7));
    EXPECT_TRUE(socket.valid());
    size_t loopBytes = 0;
    for (const auto& frame : camera->Frames().frames) {
        loopBytes += frame.size();
    }
    const size_t wanted = (loopBytes * 3 / 2 / 4096 + 2) * 4096;
    std::vector<uint8_t> bytes = socket.Receive(wanted, 20s);
    EXPECT_EQ(bytes.size(), wanted);
    if (keep != nullptr) {
        *keep = std::move(socket);
    }
    return bytes;
}

struct Nal {
    int type = 0;
    bool firstSliceOfPicture = false;
};

// NAL units found by the test suite's own splitter.
std::vector<Nal> NalUnits(const std::vector<uint8_t>& stream) {
    std::vector<Nal> nals;
    for (const auto& unit : test::SplitNalUnits(stream)) {
        if (unit.empty()) {
            continue;
        }
        const int type = unit[0] & 0x1F;
        const bool slice = type == 1 || type == 5;
        nals.push_back({type, slice && unit.size() > 1 && (unit[1] & 0x80) != 0});
    }
    return nals;
}

bool OnlyFourByteStartCodes(const std::vector<uint8_t>& s) {
    for (size_t i = 0; i + 3 <= s.size(); ++i) {
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1 && (i == 0 || s[i - 1] != 0)) {
            return false;
        }
    }
    return s.size() >= 4 && s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 1;
}

class H264Sizes : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(H264Sizes, DecodesToThePatternAtTheConfiguredSize) {
    CameraConfig config = TestConfig();
    std::tie(config.width, config.height) = GetParam();
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const std::vector<uint8_t> stream = CaptureStream(&camera);
    EXPECT_TRUE(OnlyFourByteStartCodes(stream));

    const DecodeResult decoded = DecodeH264(stream);
    EXPECT_EQ(decoded.errors, 0);
    ASSERT_GT(decoded.pictures.size(), static_cast<size_t>(config.loopFrames))
        << "the capture holds the loop's restart";
    for (size_t i = 0; i < decoded.pictures.size(); ++i) {
        const auto& picture = decoded.pictures[i];
        ASSERT_EQ(picture.width, config.width);
        ASSERT_EQ(picture.height, config.height);
        ExpectPatternColours(picture, "picture " + std::to_string(i));
        const size_t inLoop = i % static_cast<size_t>(config.loopFrames);
        EXPECT_EQ(picture.keyFrame, inLoop % static_cast<size_t>(config.gopFrames) == 0)
            << "picture " << i;
    }
    // The box moves: near the left edge, inside the band it travels, picture 0 shows the
    // yellow box and picture 3 (48 pixels further on) the grey field.
    const int band = config.height * 72 / 100;
    const Rgb boxThen = decoded.pictures[0].Mean(8, band, 16, 8);
    const Rgb fieldNow = decoded.pictures[3].Mean(8, band, 16, 8);
    EXPECT_LE(test::ColourDistance(boxThen, {255, 255, 0}), kColourTolerance)
        << test::ToText(boxThen);
    EXPECT_LE(test::ColourDistance(fieldNow, {128, 128, 128}), kColourTolerance)
        << test::ToText(fieldNow);
}

INSTANTIATE_TEST_SUITE_P(CameraSizes, H264Sizes,
                         ::testing::Values(std::pair{1920, 1080}, std::pair{1280, 1024},
                                           std::pair{1280, 720}, std::pair{322, 180}));

TEST(H264Stream, TimeMessageAndClientPortAreKept) {
    Camera camera(TestConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const std::vector<uint8_t> message = test::MakeTimeMessage(2031, 12, 31, 23, 59, 58);
    test::Socket socket = test::OpenStream(camera.StreamPort(), message);
    ASSERT_TRUE(socket.valid());
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.LastTimeMessage().has_value(); }, 5s));
    const TimeMessage kept = *camera.LastTimeMessage();
    EXPECT_EQ(std::vector<uint8_t>(kept.begin(), kept.end()), message);
    const auto peer = camera.LastStreamPeer();
    ASSERT_TRUE(peer.has_value());
    EXPECT_EQ(peer->address, "127.0.0.1");
    EXPECT_EQ(peer->port, socket.LocalPort());
    EXPECT_EQ(camera.StreamConnections(), 1u);
}

TEST(H264Stream, ParameterSetsPrecedeEveryIdr) {
    Camera camera(TestConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const std::vector<Nal> nals = NalUnits(CaptureStream(&camera));
    ASSERT_FALSE(nals.empty());
    EXPECT_EQ(nals[0].type, 7) << "the stream opens with its SPS";
    int idrPictures = 0;
    std::vector<int> sinceLastSlice;  // non-slice unit types since the previous slice
    for (const Nal& nal : nals) {
        if (nal.type != 1 && nal.type != 5) {
            sinceLastSlice.push_back(nal.type);
            continue;
        }
        if (nal.type == 5 && nal.firstSliceOfPicture) {
            ++idrPictures;
            const auto sps = std::find(sinceLastSlice.begin(), sinceLastSlice.end(), 7);
            ASSERT_NE(sps, sinceLastSlice.end()) << "IDR " << idrPictures << " without SPS";
            EXPECT_NE(std::find(sps, sinceLastSlice.end(), 8), sinceLastSlice.end())
                << "IDR " << idrPictures << " without a PPS after its SPS";
        }
        sinceLastSlice.clear();
    }
    EXPECT_GE(idrPictures, 3);
}

TEST(H264Stream, EverySliceIsItsOwnNalUnit) {
    CameraConfig config = TestConfig();
    config.width = 640;
    config.height = 480;
    config.slicesPerPicture = 4;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const std::vector<uint8_t> stream = CaptureStream(&camera);
    EXPECT_TRUE(OnlyFourByteStartCodes(stream)) << "x264 writes later slices with short codes";
    std::vector<int> slicesPerPicture;
    for (const Nal& nal : NalUnits(stream)) {
        if (nal.firstSliceOfPicture) {
            slicesPerPicture.push_back(0);
        }
        if ((nal.type == 1 || nal.type == 5) && !slicesPerPicture.empty()) {
            ++slicesPerPicture.back();
        }
    }
    slicesPerPicture.pop_back();  // the capture may end inside the last picture
    ASSERT_GE(slicesPerPicture.size(), 6u);
    for (size_t i = 0; i < slicesPerPicture.size(); ++i) {
        EXPECT_EQ(slicesPerPicture[i], 4) << "picture " << i;
    }
    const DecodeResult decoded = DecodeH264(stream);
    EXPECT_EQ(decoded.errors, 0);
    ASSERT_FALSE(decoded.pictures.empty());
    ExpectPatternColours(decoded.pictures.back(), "multi-slice picture");
}

TEST(H264Stream, ColourRangeIsSignalledAndMatchesTheSamples) {
    for (const bool fullRange : {false, true}) {
        CameraConfig config = TestConfig();
        config.fullRange = fullRange;
        Camera camera(config);
        ASSERT_TRUE(camera.Start()) << camera.LastError();
        const DecodeResult decoded = DecodeH264(CaptureStream(&camera));
        ASSERT_FALSE(decoded.pictures.empty());
        for (const auto& picture : decoded.pictures) {
            EXPECT_EQ(picture.range, fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG);
        }
        // The greys 32 and 224 and pure black and white come out right only when the samples
        // use the range that the stream signals.
        ExpectPatternColours(decoded.pictures[0], fullRange ? "full range" : "limited range");
    }
}

}  // namespace
}  // namespace vyr::camsim
