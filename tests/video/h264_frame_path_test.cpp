// The H.264 frame path fed through ReceiveRing with real libx264 streams: pictures at the stream's
// size and colours (multi-slice and full-range pictures among them), pictures too large to show or
// decode, the recording hand-off, refused parameter sets and damaged streams (a unit cut short
// before fresh parameter sets, an encoder restart at another size, garbage, a refused unit).
#include "video/h264_frame_path.h"

#include <algorithm>

extern "C" {
#include <libavutil/error.h>
}

#include "support/h264_stream.h"
#include "support/temp_dir.h"
#include "tests/video/frame_path_fixture.h"
#include "video/h264_decoder.h"
#include "video/nal_splitter.h"

namespace {

using vyr::Globals;
using Units = std::vector<std::vector<uint8_t>>;
using vyr::test::JoinWithLongStartCodes;
using vyr::test::SplitNalUnits;

// Red over the top half, blue over the bottom half.
std::string TwoColourInput(int width, int height) {
    return "color=c=red:size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":rate=25,drawbox=x=0:y=" + std::to_string(height / 2) +
           ":w=iw:h=ih/2:color=blue:t=fill";
}

// An access unit delimiter and the start code after it: the last picture sent before it is then
// complete, and its chunk goes to the recording.
const std::vector<uint8_t> kEndOfLastPicture = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1};
constexpr int kGop = 10;
constexpr char kCameraLikeParams[] = "keyint=10:min-keyint=10:scenecut=0:repeat-headers=1";

bool IsFirstSliceOfPicture(const std::vector<uint8_t>& nal) {
    const int type = nal[0] & 0x1F;
    return (type == 1 || type == 5) && nal.size() > 1 && (nal[1] & 0x80) != 0;
}

int CountPictures(const Units& nals) {
    return static_cast<int>(std::count_if(nals.begin(), nals.end(), IsFirstSliceOfPicture));
}

class H264FramePathTest : public vyr::test::FramePathFixture {
protected:
    void SetUp() override {
        FramePathFixture::SetUp();
        vyr::NalSplitter::ResetRegisterForTest();
        StartPath(vyr::H264FramePath);
    }
    void TearDown() override {
        FramePathFixture::TearDown();
        vyr::H264Decoder::SetPacketRefusalHookForTest(nullptr);
    }

    std::vector<uint8_t> Stream(const std::string& input, int frames,
                                const std::string& params = "", const std::string& args = "") {
        return vyr::test::MakeH264Stream(dir_.path().string(), {input, frames, params, args});
    }

    vyr::test::TempDir dir_;
};

struct Probe {
    int x, y;
    std::array<int, 3> bgr;
    int tolerance = 12;
};
struct PictureCase {
    const char* name;
    int width, height, frameWidth, frameHeight;
    std::vector<Probe> probes;  // on the first picture, which no earlier one can have concealed
    std::string args = "";      // for the encoder
    std::string input = "";     // TwoColourInput when empty
    friend void PrintTo(const PictureCase& c, std::ostream* out) { *out << c.name; }
};

class H264PictureTest : public H264FramePathTest,
                        public testing::WithParamInterface<PictureCase> {};

// Red and blue after x264 at its default quality stay within a few steps. Full-range grey 16 and
// 235 would become 0 and 255 if read as limited range. The display frame is 1280 wide only for
// 1280-wide streams; anything else is 1920 x 1080.
TEST_P(H264PictureTest, PicturesKeepTheirSizeAndColours) {
    const PictureCase& c = GetParam();
    Send(Stream(c.input.empty() ? TwoColourInput(c.width, c.height) : c.input, 4, "", c.args));
    Send(kEndOfLastPicture);
    ASSERT_TRUE(sink_.WaitForFrames(4)) << sink_.frames();
    EXPECT_EQ(sink_.width(), c.width);
    EXPECT_EQ(sink_.height(), c.height);
    EXPECT_EQ(Globals().frameWidth.load(), c.frameWidth);
    EXPECT_EQ(Globals().frameHeight.load(), c.frameHeight);
    EXPECT_EQ(link_.counters.framesDecoded.load(), 4u);
    for (const Probe& p : c.probes) {
        const auto bgr = sink_.Pixel(p.x, p.y, true);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(bgr[i], p.bgr[i], p.tolerance) << p.x << "," << p.y << " channel " << i;
        }
    }
}

constexpr std::array<int, 3> kRed = {0, 0, 255};
constexpr std::array<int, 3> kBlue = {255, 0, 0};

// Four slices: each slice is its own NAL unit and so its own packet; the bottom ones must not be
// lost.
INSTANTIATE_TEST_SUITE_P(
    Streams, H264PictureTest,
    testing::Values(
        PictureCase("Size1920x1080", 1920, 1080, 1920, 1080, {{960, 270, kRed}, {960, 810, kBlue}}),
        PictureCase("Size1280x1024", 1280, 1024, 1280, 1024, {{640, 900, kBlue}}),
        PictureCase("Size1280x720", 1280, 720, 1280, 720, {}),
        PictureCase("FourSlices", 640, 480, 1920, 1080,
                    {{320, 60, kRed}, {320, 470, kBlue}, {10, 300, kBlue}},
                    "-x264-params slices=4"),
        PictureCase("FullRange", 320, 240, 1920, 1080,
                    {{160, 40, {16, 16, 16}, 4}, {160, 200, {235, 235, 235}, 4}},
                    "-pix_fmt yuvj420p -color_range pc",
                    "color=c=0x101010:size=320x240:rate=25,drawbox=x=0:y=120:w=iw:h=ih/2:"
                    "color=0xEBEBEB:t=fill")));

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
    const Units units = SplitNalUnits(
        Stream(TwoColourInput(320, 240), 30, std::string(kCameraLikeParams) + ":slices=2"));
    std::vector<size_t> firstSlices;  // the unit index at which each picture's slices begin
    std::vector<size_t> parameterSets;
    for (size_t i = 0; i < units.size(); ++i) {
        if (IsFirstSliceOfPicture(units[i])) {
            firstSlices.push_back(i);
        }
        if ((units[i][0] & 0x1F) == 7) {
            parameterSets.push_back(i);
        }
    }
    ASSERT_EQ(firstSlices.size(), 30u);
    ASSERT_EQ(parameterSets.size(), 3u);
    const auto join = [&](size_t from, size_t to) {
        return JoinWithLongStartCodes(
            {units.begin() + static_cast<long>(from), units.begin() + static_cast<long>(to)});
    };
    Send(join(0, firstSlices[4]));
    ASSERT_TRUE(sink_.WaitForFrames(3));
    EXPECT_TRUE(TakeChunks(0).empty());

    Globals().recordingRequested.store(1);
    Send(join(firstSlices[4], units.size()));
    Send(kEndOfLastPicture);
    ASSERT_TRUE(sink_.WaitForFrames(30));
    EXPECT_EQ(Globals().recordingActive.load(), 1);
    // Pictures 10 to 29 from the parameter sets before picture 10 on, byte for byte; one chunk
    // each, the key flag on pictures 10 and 20.
    const auto chunks = TakeChunks(20);
    ASSERT_EQ(chunks.size(), 20u);
    std::vector<uint8_t> recorded;
    for (size_t i = 0; i < chunks.size(); ++i) {
        recorded.insert(recorded.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
        EXPECT_EQ(chunks[i].keyFrame, i % 10 == 0 ? 1 : 0) << i;
    }
    EXPECT_TRUE(recorded == join(parameterSets[1], units.size())) << recorded.size();
}

TEST_F(H264FramePathTest, OverlongParameterSetsAreRefused) {
    // A sequence parameter set padded past the 100-byte parameter-set buffer keeps the decoder
    // closed: nothing is decoded until a usable one arrives.
    Units units = SplitNalUnits(Stream(TwoColourInput(320, 240), 4));
    for (auto& unit : units) {
        if ((unit[0] & 0x1F) == 7) {
            unit.resize(120, 0x80);
        }
    }
    Send(JoinWithLongStartCodes(units));
    Send(Stream(TwoColourInput(320, 240), 4));
    ASSERT_TRUE(sink_.WaitForFrames(2));
    EXPECT_LE(link_.counters.framesDecoded.load(), 4u);  // only pictures of the second stream
}

// Damage the camera can send. The live picture must come back within one GOP, and the recording
// must never receive a chunk that does not start at a start code. A unit the decoder refuses for
// what it holds (the garbage's first, with the forbidden bit), as a decoder may, must be dropped,
// not kept in front of every later one.
struct DamageCase {
    const char* name;
    std::string before;  // lavfi input before the damage
    std::string after;   // a fresh stream after a unit cut short; empty: garbage, the same stream
    bool refused;        // the decoder refuses the garbage's first unit
    friend void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }
};

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

class H264DamageTest : public H264FramePathTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(H264DamageTest, PicturesComeBackWithinOneGopAndChunksStartAtStartCodes) {
    const DamageCase& c = GetParam();
    if (c.refused) {
        vyr::H264Decoder::SetPacketRefusalHookForTest([](const uint8_t* data, int length) {
            return length > 4 && data[4] == 0xFF ? AVERROR_INVALIDDATA : 0;
        });
    }
    const std::string args = "-preset veryfast";
    Units before =
        SplitNalUnits(Stream(c.before, c.after.empty() ? 40 : 20, kCameraLikeParams, args));
    Units after;
    std::vector<uint8_t> damage = {0, 0, 0, 1};
    if (c.after.empty()) {
        // The garbage lands in the middle of the second GOP, before picture 15.
        int pictures = 0;
        const auto split = std::find_if(before.begin(), before.end(), [&](const auto& nal) {
            return (pictures += IsFirstSliceOfPicture(nal) ? 1 : 0) == 15;
        });
        after.assign(split, before.end());
        before.erase(split, before.end());
        damage = Garbage();
    } else {
        // The last picture is cut off halfway, as when the camera's encoder restarts.
        after = SplitNalUnits(Stream(c.after, 30, kCameraLikeParams, args));
        damage.insert(damage.end(), before.back().begin(),
                      before.back().begin() + static_cast<long>(before.back().size() / 2));
        before.pop_back();
    }
    const int picturesBefore = CountPictures(before);
    const int picturesAfter = CountPictures(after);
    ASSERT_TRUE(picturesBefore > 0 && picturesAfter > 0);
    Globals().recordingRequested.store(1);

    Send(JoinWithLongStartCodes(before));
    ASSERT_TRUE(sink_.WaitForFrames(picturesBefore - 1));
    Send(damage);
    Send(JoinWithLongStartCodes(after));
    Send(kEndOfLastPicture);
    // Everything after the damage but at most one GOP (and the picture held at the end).
    EXPECT_TRUE(sink_.WaitForFrames(picturesBefore + picturesAfter - kGop - 1))
        << sink_.frames() << " pictures of " << picturesBefore << " + " << picturesAfter;

    // The recording loses nothing: a chunk for every picture (the damage may add some), each
    // starting at a start code.
    const auto chunks = TakeChunks(picturesBefore + picturesAfter);
    EXPECT_GE(static_cast<int>(chunks.size()), picturesBefore + picturesAfter);
    for (const auto& chunk : chunks) {
        ASSERT_GT(chunk.bytes.size(), 4u);
        EXPECT_EQ(std::vector<uint8_t>(chunk.bytes.begin(), chunk.bytes.begin() + 4),
                  (std::vector<uint8_t>{0, 0, 0, 1}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, H264DamageTest,
    testing::Values(DamageCase{"CutUnitThenFreshParameterSets", TwoColourInput(320, 240),
                               TwoColourInput(320, 240), false},
                    DamageCase{"EncoderRestartAtAnotherSize", TwoColourInput(1280, 720),
                               "testsrc=size=1280x1024:rate=25", false},
                    DamageCase{"GarbageBetweenUnits", "testsrc=size=320x240:rate=25", "", false},
                    DamageCase{"UnitRefusedByTheDecoder", "testsrc=size=320x240:rate=25", "",
                               true}));

}  // namespace
