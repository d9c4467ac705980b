// The latest-frame mailbox: refused sizes, and a producer and a consumer on two threads: the
// consumer never sees a torn or reordered frame, ends on the newest, and every frame is counted
// once, taken or replaced.
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

TEST(FrameMailboxTest, RefusesBadSizesAndAConsumerOnAnotherThreadSeesWholeFramesInOrder) {
    constexpr uint32_t kFrames = 20000;
    vyr::FrameMailbox mailbox(4, 2);  // smaller than every frame below: the buffers grow
    const std::vector<uint8_t> pixels(16 * 16 * 3, 9);
    EXPECT_FALSE(mailbox.Publish(nullptr, 16, 16));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), 0, 16));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), 16, -1));
    EXPECT_FALSE(mailbox.Publish(pixels.data(), vyr::FrameMailbox::kMaxSide + 1, 1));
    EXPECT_EQ(mailbox.TakeLatest(), nullptr);
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
    // Every frame was either taken or replaced by a newer one; a frame taken again, nothing newer
    // having come, and the refused ones count for nothing.
    EXPECT_EQ(mailbox.taken() + mailbox.overwritten(), kFrames);
}

}  // namespace
