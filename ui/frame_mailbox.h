// The latest-frame mailbox between the decode thread and the live area: three preallocated frame
// buffers handed round with one atomic exchange (triple buffering). The decode thread always has a
// buffer of its own to copy into and never waits; the painting thread always takes the newest
// complete frame. A frame published before the previous one was taken replaces it and is counted.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace vyr {

struct MailboxFrame {
    std::vector<uint8_t> bgr;  // top-down rows of width * 3 bytes
    int width = 0;
    int height = 0;
};

class FrameMailbox {
public:
    // Frames larger than this are refused (a bad size must not make the decode thread allocate
    // without limit).
    static constexpr int kMaxSide = 8192;

    // Each buffer starts with room for a frame of this size, so that the usual camera sizes never
    // allocate on the decode thread.
    FrameMailbox(int reserveWidth, int reserveHeight);

    // Producer (one thread): copies the frame into the producer's buffer and makes it the newest.
    // Returns false for a refused size (not positive, or a side above kMaxSide).
    bool Publish(const uint8_t* bgr, int width, int height);

    // Consumer (one thread): the newest frame, or the frame taken last time when nothing new has
    // arrived; nullptr before the first frame. Valid until the next call of TakeLatest.
    const MailboxFrame* TakeLatest();

    uint64_t published() const { return published_.load(std::memory_order_relaxed); }
    // Frames replaced by a newer one before the consumer took them.
    uint64_t overwritten() const { return overwritten_.load(std::memory_order_relaxed); }
    // New frames the consumer has taken.
    uint64_t taken() const { return taken_.load(std::memory_order_relaxed); }

private:
    static constexpr uint32_t kFresh = 4;  // set beside the index of a frame not yet taken
    static constexpr uint32_t kIndexMask = 3;

    MailboxFrame buffers_[3];
    uint32_t producerIndex_ = 0;
    uint32_t consumerIndex_ = 1;
    bool hasFrame_ = false;  // consumer's: some frame has been taken
    std::atomic<uint32_t> ready_{2};
    std::atomic<uint64_t> published_{0};
    std::atomic<uint64_t> overwritten_{0};
    std::atomic<uint64_t> taken_{0};
};

}  // namespace vyr
