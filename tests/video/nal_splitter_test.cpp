// NAL unit splitting: start codes across block borders, garbage before the first start code,
// three-byte start codes, oversized units and units kept in front of the next one.
#include "video/nal_splitter.h"

#include <gtest/gtest.h>

#include <string>

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

Bytes Unit(std::initializer_list<uint8_t> payload) {
    Bytes unit = {0, 0, 0, 1};
    for (uint8_t byte : payload) {
        unit.push_back(byte);
    }
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
    // Feed in every block size from 1 byte to the whole stream: the results must not change.
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
        ASSERT_EQ(collector.units.size(), 3u);
        EXPECT_EQ(collector.units[0], Unit({0x67, 0x42, 0x00}));
        EXPECT_EQ(collector.units[1], Unit({0x68, 0xCE}));
        EXPECT_EQ(collector.units[2], Unit({0x65, 0x88, 0x00, 0x00, 0x01, 0x99}));
    }
}

TEST_F(NalSplitterTest, RegisterNeedsFourRealBytesAndLivesAcrossSplitters) {
    Collector collector;
    {
        vyr::NalSplitter first;
        // Three bytes cannot complete a start code with the register's first value.
        first.Feed(Bytes{0x00, 0x00, 0x01}.data(), 3, collector);
        first.Feed(Unit({0x67}).data(), 5, collector);
        first.Feed(Bytes{0x00, 0x00}.data(), 2, collector);  // half a start code at the end
    }
    // A new run (a restart of the link) finds the start code that the previous run began.
    vyr::NalSplitter second;
    second.Feed(Bytes{0x00, 0x01, 0x68, 0xAA}.data(), 4, collector);
    second.Feed(Unit({0x65}).data(), 5, collector);
    ASSERT_EQ(collector.units.size(), 1u);
    EXPECT_EQ(collector.units[0], Unit({0x68, 0xAA}));
}

TEST_F(NalSplitterTest, OversizedUnitIsDroppedWholeAndSplittingGoesOn) {
    vyr::NalSplitter splitter;
    Collector collector;
    Bytes big = Unit({0x65});
    big.resize(vyr::kMaxNalUnitBytes + 5000, 0xAB);
    const Bytes stream = Concat({big, Unit({0x41, 0x01}), Unit({0x41})});
    splitter.Feed(stream.data(), static_cast<int>(stream.size()), collector);
    ASSERT_EQ(collector.units.size(), 1u);
    EXPECT_EQ(collector.units[0], Unit({0x41, 0x01}));
    EXPECT_EQ(splitter.oversizedUnits(), 1u);
}

TEST_F(NalSplitterTest, KeptUnitArrivesAgainInFrontOfTheNextOneWithItsLength) {
    vyr::NalSplitter splitter;
    Collector collector;
    const Bytes stream = Concat({Unit({0x65, 0x01}), Unit({0x41, 0x02}), Unit({0x41, 0x03})});
    collector.keepNext = true;
    splitter.Feed(stream.data(), static_cast<int>(stream.size()), collector);
    ASSERT_EQ(collector.units.size(), 2u);
    EXPECT_EQ(collector.units[0], Unit({0x65, 0x01}));
    EXPECT_EQ(collector.units[1], Concat({Unit({0x65, 0x01}), Unit({0x41, 0x02})}));
    EXPECT_EQ(collector.kept, (std::vector<int>{0, 6}));
}

TEST_F(NalSplitterTest, KeptUnitDroppedWithAnOversizedOneLeavesNoKeptBytes) {
    // The kept unit and an oversized one behind it are dropped together; the unit after them must
    // not be read as if the kept bytes were still in front of it.
    vyr::NalSplitter splitter;
    Collector collector;
    Bytes big = Unit({0x41});
    big.resize(vyr::kMaxNalUnitBytes, 0xAB);
    const Bytes stream = Concat({Unit({0x65, 0x01}), big, Unit({0x41, 0x02}), Unit({0x41})});
    collector.keepNext = true;
    splitter.Feed(stream.data(), static_cast<int>(stream.size()), collector);
    ASSERT_EQ(collector.units.size(), 2u);
    EXPECT_EQ(collector.units[1], Unit({0x41, 0x02}));
    EXPECT_EQ(collector.kept, (std::vector<int>{0, 0}));
    EXPECT_EQ(splitter.oversizedUnits(), 1u);
}

}  // namespace
