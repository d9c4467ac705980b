// ReceiveRing and RecordRing: the rules of full slots and ended connections, and the hand-over of
// every slot's contents between a producer and a consumer thread (run under ThreadSanitizer in CI).
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "linkstate/receive_ring.h"
#include "linkstate/record_ring.h"

namespace {

// A full ring drops the new block and keeps the indices; lengths outside 0..4096 are clamped
// rather than copied past the slot; blocks of an ended connection are dropped and a new one's wait
// for its own consumer.
TEST(ReceiveRing, FullSlotsStaleBlocksAndLengthsAreHandled) {
    auto ring = std::make_unique<vyr::ReceiveRing>();
    ring->Reset();
    uint8_t block[vyr::kStreamBlockBytes] = {};
    uint8_t out[vyr::kStreamBlockBytes];
    for (int i = 0; i < vyr::kReceiveRingSlots; ++i) {
        block[0] = static_cast<uint8_t>(i);
        ASSERT_TRUE(ring->PushReceiveBlock(block, vyr::kStreamBlockBytes));
    }
    EXPECT_FALSE(ring->PushReceiveBlock(block, vyr::kStreamBlockBytes));
    EXPECT_EQ(ring->droppedBlocks(), 1u);
    ASSERT_EQ(ring->TryTakeBlock(out), vyr::kStreamBlockBytes);
    EXPECT_EQ(out[0], 0);
    block[0] = 0x77;
    EXPECT_TRUE(ring->PushReceiveBlock(block, 5000));  // into the slot just taken
    for (int i = 1; i < vyr::kReceiveRingSlots; ++i) {
        ASSERT_EQ(ring->TryTakeBlock(out), vyr::kStreamBlockBytes);
        ASSERT_EQ(out[0], static_cast<uint8_t>(i));
    }
    ASSERT_EQ(ring->TryTakeBlock(out), vyr::kStreamBlockBytes);
    EXPECT_EQ(out[0], 0x77);
    EXPECT_EQ(ring->TryTakeBlock(out), -1);

    const uint32_t first = ring->BeginGeneration();
    for (uint8_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(ring->PushReceiveBlock(block, 100));
    }
    ASSERT_EQ(ring->TryTakeBlock(out, first), 100);  // one taken, two left behind
    const uint32_t second = ring->BeginGeneration();
    block[0] = 0x42;
    ASSERT_TRUE(ring->PushReceiveBlock(block, 200));
    EXPECT_EQ(ring->TryTakeBlock(out, first), -1);
    EXPECT_EQ(ring->staleBlocks(), 2u);
    ASSERT_EQ(ring->TryTakeBlock(out, second), 200);
    EXPECT_EQ(out[0], 0x42);
    EXPECT_EQ(ring->TryTakeBlock(out), -1);
    EXPECT_EQ(ring->staleBlocks(), 2u);
}

TEST(ReceiveRing, ProducerAndConsumerThreadsHandOverEveryByte) {
    auto ring = std::make_unique<vyr::ReceiveRing>();
    ring->Reset();
    constexpr uint32_t kBlocks = 20000;
    std::thread producer([&] {
        uint8_t block[vyr::kStreamBlockBytes];
        for (uint32_t n = 0; n < kBlocks; ++n) {
            std::memset(block, static_cast<int>(n & 0xFF), sizeof block);
            std::memcpy(block, &n, sizeof n);
            while (!ring->PushReceiveBlock(block, vyr::kStreamBlockBytes)) {
                std::this_thread::yield();
            }
        }
    });
    uint8_t out[vyr::kStreamBlockBytes];
    for (uint32_t expected = 0; expected < kBlocks;) {
        if (ring->TryTakeBlock(out) < 0) {
            std::this_thread::yield();
            continue;
        }
        uint32_t n = 0;
        std::memcpy(&n, out, sizeof n);
        ASSERT_EQ(n, expected);
        ASSERT_EQ(out[vyr::kStreamBlockBytes - 1], static_cast<uint8_t>(n & 0xFF));
        ++expected;
    }
    producer.join();
}

// A fast producer fills the ring: a full slot must wait rather than be overwritten, and every frame
// arrives whole and in order. Reset empties the ring; a negative size is refused.
TEST(RecordRing, FramesCrossThreadsIntact) {
    auto ring = std::make_unique<vyr::RecordRing>();
    ring->ResetRecordRing();
    constexpr int kFrames = 5000;
    std::thread producer([&] {
        std::vector<uint8_t> frame;
        for (int n = 0; n < kFrames; ++n) {
            frame.assign(static_cast<size_t>(n % 700 + 1), static_cast<uint8_t>(n));
            while (ring->PushRecordFrame(frame.data(), static_cast<int32_t>(frame.size()), n % 2) ==
                   0) {
                std::this_thread::yield();
            }
        }
    });
    vyr::RecordFrameView view;
    for (int expected = 0; expected < kFrames;) {
        if (!ring->PeekFrame(&view)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(view.size, expected % 700 + 1);
        ASSERT_EQ(view.keyFrame, expected % 2);
        ASSERT_EQ(view.data[view.size - 1], static_cast<uint8_t>(expected));
        ring->ReleaseFrame();
        ++expected;
    }
    producer.join();
    const uint8_t frame[] = {0, 0, 0, 1, 0x65, 0x88};
    ASSERT_EQ(ring->PushRecordFrame(frame, sizeof frame, 1), 1);
    ring->ResetRecordRing();
    EXPECT_FALSE(ring->PeekFrame(&view));
    EXPECT_EQ(ring->PushRecordFrame(frame, -1, 0), 0);
}

}  // namespace
