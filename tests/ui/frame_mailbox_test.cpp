// The latest-frame mailbox: refused sizes, the newest frame wins and the replaced one is counted,
// and a producer and a consumer on two threads never see a torn or reordered frame.
#include "ui/frame_mailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// A frame whose first four bytes hold its number and whose other bytes all hold fill.
std::vector<uint8_t> NumberedFrame(uint32_t number, int width, int height) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3,
                               static_cast<uint8_t>(number * 7 + 1));
    std::memcpy(frame.data(), &number, sizeof number);
    return frame;
}

TEST(FrameMailboxTest, RefusesBadSizesAndTheNewestFrameWins) {
    vyr::FrameMailbox mailbox(4, 2);
    const std::vector<uint8_t> pixels(16 * 16 * 3, 9);
    EXPECT_EQ(mailbox.TakeLatest(), nullptr);
    EXPECT_FALSE(mailbox.Publish(nullptr, 16, 16));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), 0, 16));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), 16, -1));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), vyr::FrameMailbox::kMaxSide + 1, 1));
    EXPECT_EQ(mailbox.TakeLatest(), nullptr);
    EXPECT_EQ(mailbox.published(), 0u);
    const auto first = NumberedFrame(1, 4, 2);
    const auto second = NumberedFrame(2, 8, 4);  // larger than reserved: the buffer grows
    ASSERT_TRUE(mailbox.Publish(first.data(), 4, 2));
    ASSERT_TRUE(mailbox.Publish(second.data(), 8, 4));
    const vyr::MailboxFrame* taken = mailbox.TakeLatest();
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(std::tuple(taken->width, taken->height, taken->bgr), std::tuple(8, 4, second));
    EXPECT_EQ(mailbox.overwritten(), 1u);
    // Nothing new: the same frame again, not counted twice.
    EXPECT_EQ(mailbox.TakeLatest(), taken);
    EXPECT_EQ(mailbox.taken(), 1u);
    // A frame published after the take is not an overwrite.
    ASSERT_TRUE(mailbox.Publish(first.data(), 4, 2));
    EXPECT_EQ(mailbox.TakeLatest()->bgr, first);
    EXPECT_EQ(mailbox.overwritten(), 1u);
}

TEST(FrameMailboxTest, ConsumerOnAnotherThreadSeesWholeFramesInOrder) {
    constexpr uint32_t kFrames = 20000;
    vyr::FrameMailbox mailbox(24, 16);
    std::atomic<bool> done{false};
    // Alternating sizes, so that a torn frame would also show as a size mismatch.
    std::thread producer([&] {
        for (uint32_t number = 1; number <= kFrames; ++number) {
            const int width = (number % 2 == 0) ? 24 : 16;
            const auto frame = NumberedFrame(number, width, 40 - width);
            ASSERT_TRUE(mailbox.Publish(frame.data(), width, 40 - width));
        }
        done.store(true);
    });
    uint32_t lastNumber = 0;
    int checked = 0;
    const auto check = [&](const vyr::MailboxFrame* frame) {
        if (frame != nullptr) {
            uint32_t number = 0;
            std::memcpy(&number, frame->bgr.data(), sizeof number);
            ASSERT_EQ(frame->bgr, NumberedFrame(number, frame->width, frame->height));
            ASSERT_EQ(frame->width, (number % 2 == 0) ? 24 : 16);
            ASSERT_GE(number, lastNumber);
            lastNumber = number;
            ++checked;
        }
    };
    while (!done.load()) {
        check(mailbox.TakeLatest());
    }
    producer.join();
    check(mailbox.TakeLatest());
    EXPECT_EQ(lastNumber, kFrames);
    EXPECT_GT(checked, 0);
    // Every frame was either taken or replaced by a newer one.
    EXPECT_EQ(mailbox.taken() + mailbox.overwritten(), kFrames);
}

}  // namespace
