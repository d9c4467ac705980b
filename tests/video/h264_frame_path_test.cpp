// The H.264 frame path fed through ReceiveRing with real libx264 streams: pictures at the stream's
// size and colours, multi-slice pictures, full-range colour, the frame-size rule, the recording
// hand-off, refused parameter sets and pictures, and damaged streams (a unit cut short before fresh
// parameter sets, an encoder restart at another size, garbage between units).
#include "video/h264_frame_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

extern "C" {
#include <libavutil/error.h>
}

#include "linkstate/link_shared.h"
#include "support/h264_stream.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "video/h264_decoder.h"
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

// An access unit delimiter and the start code after it: the last picture sent before it is then
// complete, and its chunk goes to the recording.
const std::vector<uint8_t> kEndOfLastPicture = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1};

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
        vyr::H264Decoder::SetPacketRefusalHookForTest(nullptr);
    }

    // Puts the stream into the ring in blocks of at most 4096 bytes, as the stream thread does,
    // waiting for room when the ring is full.
    void Send(const std::vector<uint8_t>& stream) {
        for (size_t at = 0; at < stream.size(); at += vyr::kStreamBlockBytes) {
            uint8_t block[vyr::kStreamBlockBytes] = {};
            const size_t count = std::min<size_t>(vyr::kStreamBlockBytes, stream.size() - at);
            std::copy_n(stream.begin() + static_cast<long>(at), count, block);
            while (!Globals().receiveRing.PushReceiveBlock(block, static_cast<int>(count))) {
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

    struct Chunk {
        std::vector<uint8_t> bytes;
        int keyFrame = 0;
    };
    // Takes chunks out of RecordRing until there are count of them or ten seconds have passed.
    static std::vector<Chunk> TakeChunks(int count) {
        std::vector<Chunk> chunks;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (static_cast<int>(chunks.size()) < count &&
               std::chrono::steady_clock::now() < deadline) {
            vyr::RecordFrameView frame;
            if (!Globals().recordRing.PeekFrame(&frame)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            chunks.push_back({{frame.data, frame.data + frame.size}, frame.keyFrame});
            Globals().recordRing.ReleaseFrame();
        }
        return chunks;
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

TEST_F(H264FramePathTest, PictureLargerThanTheDisplayIsNotShownAndAHugeOneNotDecoded) {
    // 2560 wide: decoded, but the display buffer (at least 1920 x 1080) is too small for it.
    // 4096 x 2176 passes the decoder's limit of 3840 x 2160 pixels: not even decoded.
    Send(Stream("testsrc=size=2560x1440:rate=25", 3));
    Send(Stream("testsrc=size=4096x2176:rate=25", 4, "", "-preset ultrafast"));
    Send(Stream(TwoColourInput(320, 240), 3));  // a later small stream is still shown
    ASSERT_TRUE(sink_.WaitForFrames(2));
    EXPECT_EQ(sink_.width(), 320);
    // Three pictures of the first stream, two of the last (its third waits for a start code).
    EXPECT_EQ(link_.counters.framesDecoded.load(), 5u);
}

TEST_F(H264FramePathTest, RecordingStartsAtTheNextKeyPictureWithOneChunkPerPicture) {
    // As the camera sends it: SPS and PPS before every key picture, one every 10 pictures, each
    // picture in two slices. Recording is asked for after picture 3.
    const auto units = vyr::test::SplitNalUnits(
        Stream(TwoColourInput(320, 240), 30,
               "keyint=10:min-keyint=10:scenecut=0:repeat-headers=1:slices=2"));
    std::vector<size_t> firstSlices;  // the unit index at which each picture's slices begin
    std::vector<size_t> parameterSets;
    for (size_t i = 0; i < units.size(); ++i) {
        const int type = units[i][0] & 0x1F;
        if ((type == 1 || type == 5) && (units[i][1] & 0x80) != 0) {
            firstSlices.push_back(i);
        }
        if (type == 7) {
            parameterSets.push_back(i);
        }
    }
    ASSERT_EQ(firstSlices.size(), 30u);
    ASSERT_EQ(parameterSets.size(), 3u);
    const auto join = [&](size_t from, size_t to) {
        return vyr::test::JoinWithLongStartCodes(
            {units.begin() + static_cast<long>(from), units.begin() + static_cast<long>(to)});
    };
    Send(join(0, firstSlices[4]));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    vyr::RecordFrameView frame;
    EXPECT_FALSE(Globals().recordRing.PeekFrame(&frame));

    Globals().recordingRequested.store(1);
    Send(join(firstSlices[4], units.size()));
    Send(kEndOfLastPicture);
    ASSERT_TRUE(sink_.WaitForFrames(30));
    EXPECT_EQ(Globals().recordingActive.load(), 1);
    // Pictures 10 to 29 from the parameter sets before picture 10 on, byte for byte; one chunk
    // each, the key flag on pictures 10 and 20.
    std::vector<uint8_t> recorded;
    std::vector<int> keys;
    const auto chunks = TakeChunks(20);
    for (size_t i = 0; i < chunks.size(); ++i) {
        recorded.insert(recorded.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
        if (chunks[i].keyFrame == 1) {
            keys.push_back(static_cast<int>(i));
        }
    }
    EXPECT_EQ(chunks.size(), 20u);
    EXPECT_EQ(keys, (std::vector<int>{0, 10}));
    EXPECT_TRUE(recorded == join(parameterSets[1], units.size())) << recorded.size();
    EXPECT_FALSE(Globals().recordRing.PeekFrame(&frame));
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

// Damage the camera can send. The live picture must come back within one GOP, and the recording
// must never receive a chunk that does not start at a start code.
// kRefused: the garbage, and the decoder refuses its first unit (the forbidden bit) for what it
// holds, as a decoder may; that unit must be dropped, not kept in front of every later one.
enum class Damage { kCutUnit, kGarbage, kRefused };
struct DamageCase {
    const char* name;
    Damage damage;
    std::string before;  // lavfi input before the damage
    std::string after;   // lavfi input of a fresh stream after it; empty: the same stream goes on
};

void PrintTo(const DamageCase& damageCase, std::ostream* out) {
    *out << damageCase.name;
}

constexpr int kGop = 10;
constexpr char kCameraLikeParams[] = "keyint=10:min-keyint=10:scenecut=0:repeat-headers=1";

// Bytes no encoder wrote: start codes followed by a unit with the forbidden bit, a slice header
// of junk, an SEI of junk and a unit of type 0, with noise between them.
std::vector<uint8_t> Garbage() {
    std::vector<uint8_t> bytes;
    uint32_t seed = 12345;
    for (const int header : {0xFF, 0x65, 0x41, 0x06, 0x00}) {
        bytes.insert(bytes.end(), {0, 0, 0, 1, static_cast<uint8_t>(header)});
        for (int i = 0; i < 700; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes.push_back(static_cast<uint8_t>(seed >> 16));
        }
    }
    return bytes;
}

bool IsFirstSliceOfPicture(const std::vector<uint8_t>& nal) {
    const int type = nal[0] & 0x1F;
    return (type == 1 || type == 5) && nal.size() > 1 && (nal[1] & 0x80) != 0;
}

int CountPictures(const std::vector<std::vector<uint8_t>>& nals) {
    return static_cast<int>(std::count_if(nals.begin(), nals.end(), IsFirstSliceOfPicture));
}

class H264DamageTest : public H264FramePathTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(H264DamageTest, PicturesComeBackWithinOneGopAndChunksStartAtStartCodes) {
    const DamageCase& c = GetParam();
    const std::string args = "-preset veryfast";
    std::vector<std::vector<uint8_t>> before;
    std::vector<std::vector<uint8_t>> after;
    std::vector<uint8_t> damage;
    if (c.damage == Damage::kRefused) {
        vyr::H264Decoder::SetPacketRefusalHookForTest([](const uint8_t* data, int length) {
            return length > 4 && data[4] == 0xFF ? AVERROR_INVALIDDATA : 0;
        });
    }
    if (c.damage != Damage::kCutUnit) {
        before = vyr::test::SplitNalUnits(Stream(c.before, 40, kCameraLikeParams, args));
        // The garbage lands in the middle of the second GOP.
        size_t split = 0;
        for (int pictures = 0; split < before.size(); ++split) {
            pictures += IsFirstSliceOfPicture(before[split]) ? 1 : 0;
            if (pictures == 15) {
                break;
            }
        }
        after.assign(before.begin() + static_cast<long>(split), before.end());
        before.resize(split);
        damage = Garbage();
    } else {
        before = vyr::test::SplitNalUnits(Stream(c.before, 20, kCameraLikeParams, args));
        after = vyr::test::SplitNalUnits(Stream(c.after, 30, kCameraLikeParams, args));
        // The last picture is cut off halfway, as when the camera's encoder restarts.
        std::vector<uint8_t> cut = {0, 0, 0, 1};
        cut.insert(cut.end(), before.back().begin(),
                   before.back().begin() + static_cast<long>(before.back().size() / 2));
        before.pop_back();
        damage = cut;
    }
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    const int picturesBefore = CountPictures(before);
    const int picturesAfter = CountPictures(after);
    Globals().recordingRequested.store(1);

    Send(vyr::test::JoinWithLongStartCodes(before));
    ASSERT_TRUE(sink_.WaitForFrames(picturesBefore - 1));
    Send(damage);
    Send(vyr::test::JoinWithLongStartCodes(after));
    Send(kEndOfLastPicture);
    // Everything after the damage but at most one GOP (and the picture held at the end).
    EXPECT_TRUE(sink_.WaitForFrames(picturesBefore + picturesAfter - kGop - 1))
        << sink_.frames() << " pictures of " << picturesBefore << " + " << picturesAfter;

    // The recording loses nothing: a chunk for every picture (the damage may add some), each
    // starting at a start code.
    const auto chunks = TakeChunks(picturesBefore + picturesAfter);
    EXPECT_EQ(static_cast<int>(chunks.size()), picturesBefore + picturesAfter);
    for (const auto& chunk : chunks) {
        ASSERT_GT(chunk.bytes.size(), 4u);
        EXPECT_EQ(std::vector<uint8_t>(chunk.bytes.begin(), chunk.bytes.begin() + 4),
                  (std::vector<uint8_t>{0, 0, 0, 1}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, H264DamageTest,
    testing::Values(DamageCase{"CutUnitThenFreshParameterSets", Damage::kCutUnit,
                               TwoColourInput(320, 240), TwoColourInput(320, 240)},
                    DamageCase{"EncoderRestartAtAnotherSize", Damage::kCutUnit,
                               TwoColourInput(1280, 720), "testsrc=size=1280x1024:rate=25"},
                    DamageCase{"GarbageBetweenUnits", Damage::kGarbage,
                               "testsrc=size=320x240:rate=25", ""},
                    DamageCase{"UnitRefusedByTheDecoder", Damage::kRefused,
                               "testsrc=size=320x240:rate=25", ""}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

}  // namespace
