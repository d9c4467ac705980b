// Motion-JPEG block reassembly: the first-block rule, half frames, single-block frames, and the
// bounds on counts and lengths that come from the network. Also the display-size rule.
#include "video/mjpeg_reassembler.h"

#include <gtest/gtest.h>

#include <vector>

#include "video/jpeg_frame_path.h"

namespace {

using Result = vyr::MjpegReassembler::Result;

// A 4096-byte block with the given header fields and payload.
std::vector<uint8_t> Block(int32_t total, int count, int number,
                           const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> block(4096, 0);
    for (int i = 0; i < 4; ++i) {
        block[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(total) >> (8 * i));
    }
    block[8] = static_cast<uint8_t>(count);
    block[9] = static_cast<uint8_t>(count >> 8);
    block[10] = static_cast<uint8_t>(number);
    block[11] = static_cast<uint8_t>(number >> 8);
    std::copy(payload.begin(), payload.begin() + std::min<size_t>(payload.size(), 4084),
              block.begin() + 12);
    return block;
}

// A frame of n bytes starting with FF D8, cut into its blocks.
std::vector<std::vector<uint8_t>> FrameBlocks(int n, uint8_t fill, std::vector<uint8_t>* frame) {
    frame->assign(static_cast<size_t>(n), fill);
    (*frame)[0] = 0xFF;
    (*frame)[1] = 0xD8;
    for (int i = 2; i < n; ++i) {
        (*frame)[static_cast<size_t>(i)] = static_cast<uint8_t>(fill + i);
    }
    std::vector<std::vector<uint8_t>> blocks;
    for (int at = 0, number = 1; at < n; at += 4084, ++number) {
        const int count = std::min(4084, n - at);
        blocks.push_back(
            Block(n, count, number,
                  std::vector<uint8_t>(frame->begin() + at, frame->begin() + at + count)));
    }
    return blocks;
}

Result FeedAll(vyr::MjpegReassembler& r, const std::vector<std::vector<uint8_t>>& blocks) {
    Result last = Result::kCollecting;
    for (const auto& block : blocks) {
        last = r.Feed(block.data(), static_cast<int>(block.size()));
    }
    return last;
}

TEST(MjpegReassembler, CollectsMultiBlockAndSingleBlockFrames) {
    vyr::MjpegReassembler r;
    std::vector<uint8_t> frame;
    const auto blocks = FrameBlocks(10000, 3, &frame);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(r.Feed(blocks[0].data(), 4096), Result::kCollecting);
    EXPECT_EQ(r.Feed(blocks[1].data(), 4096), Result::kCollecting);
    ASSERT_EQ(r.Feed(blocks[2].data(), 4096), Result::kFrame);
    EXPECT_EQ(std::vector<uint8_t>(r.frame(), r.frame() + r.frameLength()), frame);

    // Exactly 4084 bytes: one block, handled as soon as it arrives.
    const auto single = FrameBlocks(4084, 9, &frame);
    ASSERT_EQ(single.size(), 1u);
    ASSERT_EQ(r.Feed(single[0].data(), 4096), Result::kFrame);
    EXPECT_EQ(std::vector<uint8_t>(r.frame(), r.frame() + r.frameLength()), frame);
}

TEST(MjpegReassembler, OnlyBlockOneWithStartMarkerStartsAFrame) {
    vyr::MjpegReassembler r;
    std::vector<uint8_t> frame;
    auto blocks = FrameBlocks(100, 1, &frame);
    auto noMarker = blocks[0];
    noMarker[13] = 0xD9;  // FF D9 instead of FF D8
    EXPECT_EQ(r.Feed(noMarker.data(), 4096), Result::kCollecting);
    EXPECT_FALSE(r.inFrame());
    auto numberTwo = blocks[0];
    numberTwo[10] = 2;
    EXPECT_EQ(r.Feed(numberTwo.data(), 4096), Result::kCollecting);
    EXPECT_FALSE(r.inFrame());
    EXPECT_EQ(r.Feed(blocks[0].data(), 4096), Result::kFrame);
}

TEST(MjpegReassembler, NewFirstBlockDropsHalfFrame) {
    vyr::MjpegReassembler r;
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    const auto half = FrameBlocks(9000, 1, &first);
    const auto whole = FrameBlocks(6000, 7, &second);
    r.Feed(half[0].data(), 4096);
    r.Feed(half[1].data(), 4096);
    ASSERT_EQ(FeedAll(r, whole), Result::kFrame);
    EXPECT_EQ(std::vector<uint8_t>(r.frame(), r.frame() + r.frameLength()), second);
    // A lost block: the length never adds up, nothing is handled until the next first block.
    EXPECT_EQ(r.Feed(half[0].data(), 4096), Result::kCollecting);
    EXPECT_EQ(r.Feed(half[2].data(), 4096), Result::kCollecting);
    EXPECT_EQ(FeedAll(r, whole), Result::kFrame);
}

TEST(MjpegReassembler, HostileCountsAndLengthsAreRefusedWithoutOverrun) {
    vyr::MjpegReassembler r;
    std::vector<uint8_t> frame;
    const auto good = FrameBlocks(5000, 2, &frame);
    std::vector<uint8_t> marker{0xFF, 0xD8};

    // Payload count over 4084, in a first block and in a later one.
    auto overCount = Block(5000, 4085, 1, marker);
    EXPECT_EQ(r.Feed(overCount.data(), 4096), Result::kRefused);
    r.Feed(good[0].data(), 4096);
    auto laterOver = Block(5000, 65535, 2, {});
    EXPECT_EQ(r.Feed(laterOver.data(), 4096), Result::kRefused);
    EXPECT_FALSE(r.inFrame());

    // A count beyond the bytes the block really has.
    auto shortBlock = Block(5000, 100, 1, marker);
    EXPECT_EQ(r.Feed(shortBlock.data(), 60), Result::kRefused);
    EXPECT_EQ(r.Feed(shortBlock.data(), 5), Result::kRefused);

    // A total over the 819,200-byte buffer, or not positive.
    auto huge = Block(819201, 4084, 1, marker);
    EXPECT_EQ(r.Feed(huge.data(), 4096), Result::kRefused);
    auto negative = Block(-4, 10, 1, marker);
    EXPECT_EQ(r.Feed(negative.data(), 4096), Result::kRefused);

    // A frame of exactly the buffer size completes; blocks whose counts run past the buffer are
    // refused.
    auto exact = Block(819200, 4084, 1, marker);
    r.Feed(exact.data(), 4096);
    Result last = Result::kCollecting;
    int blocks = 1;
    auto more = Block(819200, 4084, 2, {});
    while (last == Result::kCollecting && blocks < 300) {
        const int remaining = 819200 - blocks * 4084;
        auto next = Block(819200, std::min(4084, remaining), 2, {});
        last = r.Feed(next.data(), 4096);
        ++blocks;
    }
    EXPECT_EQ(last, Result::kFrame);
    EXPECT_EQ(r.frameLength(), 819200);
    auto lying = Block(819200, 4084, 1, marker);  // 4084-byte blocks never add up to 819,200
    r.Feed(lying.data(), 4096);
    for (int i = 0; i < 200 && r.inFrame(); ++i) {
        last = r.Feed(more.data(), 4096);
    }
    EXPECT_EQ(last, Result::kRefused);

    // The next good frame is collected as usual.
    EXPECT_EQ(FeedAll(r, good), Result::kFrame);
    EXPECT_EQ(std::vector<uint8_t>(r.frame(), r.frame() + r.frameLength()), frame);
}

TEST(DisplaySizeForPicture, RoundedHeightChoosesOneOfTwoSizes) {
    struct Case {
        int height, width, displayHeight;
    };
    for (const Case c : {Case{1080, 1920, 1080}, Case{1073, 1920, 1080}, Case{1072, 1280, 1024},
                         Case{1024, 1280, 1024}, Case{720, 1280, 1024}, Case{480, 1280, 1024},
                         Case{2160, 1920, 1080}}) {
        SCOPED_TRACE(c.height);
        const vyr::DisplaySize size = vyr::DisplaySizeForPicture(c.height);
        EXPECT_EQ(size.width, c.width);
        EXPECT_EQ(size.height, c.displayHeight);
    }
}

}  // namespace
