// Motion-JPEG block reassembly: the first-block rule, half frames, single-block frames, and the
// bounds on counts and lengths that come from the network.
#include "video/mjpeg_reassembler.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Result = vyr::MjpegReassembler::Result;
using Bytes = std::vector<uint8_t>;

// A 4096-byte block with the given header fields and payload.
Bytes Block(int32_t total, int count, int number, const Bytes& payload) {
    Bytes block(4096, 0);
    for (int i = 0; i < 4; ++i) {
        block[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(total) >> (8 * i));
    }
    block[8] = static_cast<uint8_t>(count);
    block[9] = static_cast<uint8_t>(count >> 8);
    block[10] = static_cast<uint8_t>(number);
    block[11] = static_cast<uint8_t>(number >> 8);
    std::copy_n(payload.begin(), std::min<size_t>(payload.size(), 4084), block.begin() + 12);
    return block;
}

// A frame of n bytes starting with FF D8, cut into its blocks.
std::vector<Bytes> FrameBlocks(int n, uint8_t fill, Bytes* frame) {
    frame->assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        (*frame)[static_cast<size_t>(i)] =
            static_cast<uint8_t>(i == 0 ? 0xFF : (i == 1 ? 0xD8 : fill + i));
    }
    std::vector<Bytes> blocks;
    for (int at = 0, number = 1; at < n; at += 4084, ++number) {
        const int count = std::min(4084, n - at);
        blocks.push_back(
            Block(n, count, number, Bytes(frame->begin() + at, frame->begin() + at + count)));
    }
    return blocks;
}

Result FeedAll(vyr::MjpegReassembler& r, const std::vector<Bytes>& blocks) {
    Result last = Result::kCollecting;
    for (const auto& block : blocks) {
        last = r.Feed(block.data(), static_cast<int>(block.size()));
    }
    return last;
}

Bytes FrameOf(const vyr::MjpegReassembler& r) {
    return {r.frame(), r.frame() + r.frameLength()};
}

TEST(MjpegReassembler, FramesStartAtBlockOneWithStartMarkerAndHalfFramesAreDropped) {
    vyr::MjpegReassembler r;
    Bytes multi;
    Bytes single;
    Bytes half;
    const auto three = FrameBlocks(10000, 3, &multi);
    const auto one = FrameBlocks(4084, 9, &single);  // exactly one block: handled at once
    const auto halves = FrameBlocks(9000, 1, &half);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(FeedAll(r, {three[0], three[1]}), Result::kCollecting);
    ASSERT_EQ(FeedAll(r, {three[2]}), Result::kFrame);
    EXPECT_EQ(FrameOf(r), multi);
    ASSERT_EQ(FeedAll(r, one), Result::kFrame);
    EXPECT_EQ(FrameOf(r), single);
    auto noMarker = one[0];
    noMarker[13] = 0xD9;  // FF D9 instead of FF D8
    auto numberTwo = one[0];
    numberTwo[10] = 2;
    for (const Bytes& block : {noMarker, numberTwo}) {
        EXPECT_EQ(r.Feed(block.data(), 4096), Result::kCollecting);
        EXPECT_FALSE(r.inFrame());
    }
    // A new first block drops a half frame; after a lost block the length never adds up, and
    // nothing is handled until the next first block.
    FeedAll(r, {halves[0], halves[1]});
    ASSERT_EQ(FeedAll(r, three), Result::kFrame);
    EXPECT_EQ(FrameOf(r), multi);
    EXPECT_EQ(FeedAll(r, {halves[0], halves[2]}), Result::kCollecting);
    EXPECT_EQ(FeedAll(r, one), Result::kFrame);
}

TEST(MjpegReassembler, HostileCountsAndLengthsAreRefusedWithoutOverrun) {
    vyr::MjpegReassembler r;
    Bytes frame;
    const auto good = FrameBlocks(5000, 2, &frame);
    const Bytes marker{0xFF, 0xD8};
    struct Case {
        const char* name;
        Bytes block;
        int length;
        bool afterFirstBlock;
    };
    const Case cases[] = {
        {"count over 4084", Block(5000, 4085, 1, marker), 4096, false},
        {"count over 4084 in a later block", Block(5000, 65535, 2, {}), 4096, true},
        {"count beyond the bytes of the block", Block(5000, 100, 1, marker), 60, false},
        {"block shorter than its header", Block(5000, 100, 1, marker), 5, false},
        {"total over the 819,200-byte buffer", Block(819201, 4084, 1, marker), 4096, false},
        {"total not positive", Block(-4, 10, 1, marker), 4096, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.afterFirstBlock) {
            r.Feed(good[0].data(), 4096);
        }
        EXPECT_EQ(r.Feed(c.block.data(), c.length), Result::kRefused);
        EXPECT_FALSE(r.inFrame());
        // The next good frame is collected as usual.
        EXPECT_EQ(FeedAll(r, good), Result::kFrame);
        EXPECT_EQ(FrameOf(r), frame);
    }

    // A frame of exactly the buffer size completes; blocks whose counts run past it are refused.
    r.Feed(Block(819200, 4084, 1, marker).data(), 4096);
    Result last = Result::kCollecting;
    for (int blocks = 1; last == Result::kCollecting && blocks < 300; ++blocks) {
        last = r.Feed(Block(819200, std::min(4084, 819200 - blocks * 4084), 2, {}).data(), 4096);
    }
    EXPECT_EQ(last, Result::kFrame);
    EXPECT_EQ(r.frameLength(), 819200);
    r.Feed(Block(819200, 4084, 1, marker).data(), 4096);  // 4084-byte blocks never add up
    const Bytes more = Block(819200, 4084, 2, {});
    for (int i = 0; i < 200 && r.inFrame(); ++i) {
        last = r.Feed(more.data(), 4096);
    }
    EXPECT_EQ(last, Result::kRefused);
}

}  // namespace
