// H.264 units before the decoder: NAL splitting (start codes across block borders, garbage before
// the first start code, oversized units, units kept in front of the next one), and ParseSps against
// ffprobe on libx264 streams and on hostile units.
#include <gtest/gtest.h>

#include <sstream>

#include "support/h264_stream.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "video/h264_frame_path.h"
#include "video/nal_splitter.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Collector : public vyr::NalSplitter::Handler {
public:
    bool HandleUnit(uint8_t* unit, int length, int keptBytes) override {
        units.emplace_back(unit, unit + length);
        kept.push_back(keptBytes);
        return keepNext ? (keepNext = false, false) : true;
    }
    std::vector<Bytes> units;
    std::vector<int> kept;
    bool keepNext = false;
};

Bytes Unit(std::initializer_list<uint8_t> payload, size_t padTo = 0) {
    Bytes unit = {0, 0, 0, 1};
    for (const uint8_t byte : payload) {
        unit.push_back(byte);
    }
    unit.resize(std::max(unit.size(), padTo), 0xAB);
    return unit;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

class NalSplitterTest : public testing::Test {
protected:
    void SetUp() override { vyr::NalSplitter::ResetRegisterForTest(); }
};

TEST_F(NalSplitterTest, UnitsAreFoundWhateverTheBlockBordersAndGarbageBeforeIsDropped) {
    const Bytes stream = Concat({{0x12, 0x34, 0x00, 0x00},  // the tail of a unit cut off before
                                 Unit({0x67, 0x42, 0x00}),
                                 Unit({0x68, 0xCE}),
                                 Unit({0x65, 0x88, 0x00, 0x00, 0x01, 0x99}),  // 3-byte code inside
                                 Unit({0x41})});
    for (size_t blockBytes = 1; blockBytes <= stream.size(); ++blockBytes) {
        SCOPED_TRACE(blockBytes);
        vyr::NalSplitter::ResetRegisterForTest();
        vyr::NalSplitter splitter;
        Collector collector;
        for (size_t at = 0; at < stream.size(); at += blockBytes) {
            const size_t count = std::min(blockBytes, stream.size() - at);
            splitter.Feed(stream.data() + at, static_cast<int>(count), collector);
        }
        // The last unit has no start code after it yet.
        EXPECT_EQ(collector.units,
                  (std::vector<Bytes>{Unit({0x67, 0x42, 0x00}), Unit({0x68, 0xCE}),
                                      Unit({0x65, 0x88, 0x00, 0x00, 0x01, 0x99})}));
    }
}

// A kept unit comes again in front of the next one, with its length; an oversized unit is dropped
// whole, and with it a kept unit before it, so that the next unit is not read as if the kept bytes
// were still in front of it.
TEST_F(NalSplitterTest, KeptAndOversizedUnits) {
    struct Case {
        const char* name;
        Bytes stream;
        bool keepFirst;
        std::vector<Bytes> units;
        std::vector<int> kept;
        uint64_t oversized;
    };
    const Bytes key = Unit({0x65, 0x01}), next = Unit({0x41, 0x02}), last = Unit({0x41});
    const Bytes big = Unit({0x65}, vyr::kMaxNalUnitBytes + 5000);
    const Bytes tooBig = Unit({0x41}, vyr::kMaxNalUnitBytes);
    const Case cases[] = {
        {"oversized", Concat({big, next, last}), false, {next}, {0}, 1},
        {"kept", Concat({key, next, last}), true, {key, Concat({key, next})}, {0, 6}, 0},
        {"kept, then oversized", Concat({key, tooBig, next, last}), true, {key, next}, {0, 0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vyr::NalSplitter::ResetRegisterForTest();
        vyr::NalSplitter splitter;
        Collector collector;
        collector.keepNext = c.keepFirst;
        splitter.Feed(c.stream.data(), static_cast<int>(c.stream.size()), collector);
        EXPECT_EQ(collector.units, c.units);
        EXPECT_EQ(collector.kept, c.kept);
        EXPECT_EQ(splitter.oversizedUnits(), c.oversized);
    }
}

Bytes FirstSps(const Bytes& stream) {
    for (const auto& unit : vyr::test::SplitNalUnits(stream)) {
        if ((unit[0] & 0x1F) == 7) {
            return unit;
        }
    }
    return {};
}

TEST(ParseSps, AgreesWithFfprobe) {
    const std::pair<std::string, std::string> cases[] = {
        {"1920x1080", "-profile:v baseline"},
        {"1280x1024", ""},
        {"638x358", ""},                                        // cropped
        {"1920x1080", "-profile:v high -x264-params cqm=jvt"},  // scaling matrices
        {"642x480", "-profile:v high422 -pix_fmt yuv422p"},
        {"642x362", "-profile:v high444 -pix_fmt yuv444p"},
        {"720x576", "-profile:v high -x264-params interlaced=1"},
    };
    vyr::test::TempDir dir;
    for (const auto& [size, args] : cases) {
        SCOPED_TRACE(size + " " + args);
        auto sps = FirstSps(vyr::test::MakeH264Stream(
            dir.path().string(), {"testsrc=size=" + size + ":rate=25", 2, "", args}));
        ASSERT_FALSE(sps.empty());
        const auto probe = vyr::test::RunCommand(
            "ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of "
            "csv=p=0:s=x " +
            vyr::test::ShellQuote(dir.File("stream.h264")));
        int width = -1;
        int height = -1;
        EXPECT_EQ(ParseSps(sps.data(), static_cast<int>(sps.size()), &width, &height), 1);
        EXPECT_EQ(std::to_string(width) + "x" + std::to_string(height) + "\n", probe.output);
    }
}

TEST(ParseSps, TruncatedAndHostileUnitsGiveNoSize) {
    vyr::test::TempDir dir;
    const Bytes good = FirstSps(vyr::test::MakeH264Stream(dir.path().string(), {}));
    ASSERT_GT(good.size(), 6u);
    int width = -1;
    int height = -1;
    // Every cut of the unit: a clean refusal or a parse of the bytes that are there, never a read
    // past the given length (AddressSanitizer watches the heap copy).
    for (size_t cut = 0; cut < good.size(); ++cut) {
        Bytes copy(good.begin(), good.begin() + static_cast<long>(cut));
        if (ParseSps(copy.data(), static_cast<int>(copy.size()), &width, &height) == 0) {
            EXPECT_EQ(width, 0);
            EXPECT_EQ(height, 0);
        }
    }
    // 40 zero bits where an Exp-Golomb number is expected, and absurd sizes.
    Bytes zeros = {0x67, 0x42, 0x00, 0x1E, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(ParseSps(zeros.data(), static_cast<int>(zeros.size()), &width, &height), 0);
    Bytes huge = {0x67, 0x42, 0x00, 0x1E, 0xF4, 0x00, 0x00,
                  0x80, 0x00, 0x40, 0x00, 0x20, 0x00, 0x10};
    EXPECT_EQ(ParseSps(huge.data(), static_cast<int>(huge.size()), &width, &height), 0);
    EXPECT_EQ(ParseSps(nullptr, 10, &width, &height), 0);
}

}  // namespace
