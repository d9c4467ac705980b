// Triple buffering: the producer owns one buffer, the consumer another, and the third is "ready".
// Publishing fills the producer's buffer and exchanges it with the ready one (marked fresh); taking
// exchanges the consumer's buffer with the ready one when that is fresh. The exchange is acq_rel,
// so the bytes written before publishing are visible to the consumer after taking.
#include "ui/frame_mailbox.h"

#include <cstring>

namespace vyr {

FrameMailbox::FrameMailbox(int reserveWidth, int reserveHeight) {
    const size_t bytes = static_cast<size_t>(reserveWidth) * static_cast<size_t>(reserveHeight) * 3;
    for (MailboxFrame& frame : buffers_) {
        frame.bgr.reserve(bytes);
    }
}

bool FrameMailbox::Publish(const uint8_t* bgr, int width, int height) {
    if (bgr == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return false;
    }
    MailboxFrame& frame = buffers_[producerIndex_];
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    frame.bgr.resize(bytes);
    std::memcpy(frame.bgr.data(), bgr, bytes);
    frame.width = width;
    frame.height = height;
    const uint32_t previous = ready_.exchange(producerIndex_ | kFresh, std::memory_order_acq_rel);
    producerIndex_ = previous & kIndexMask;
    published_.fetch_add(1, std::memory_order_relaxed);
    if ((previous & kFresh) != 0) {
        overwritten_.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

const MailboxFrame* FrameMailbox::TakeLatest() {
    if ((ready_.load(std::memory_order_relaxed) & kFresh) != 0) {
        const uint32_t previous = ready_.exchange(consumerIndex_, std::memory_order_acq_rel);
        consumerIndex_ = previous & kIndexMask;
        hasFrame_ = true;
        taken_.fetch_add(1, std::memory_order_relaxed);
    }
    return hasFrame_ ? &buffers_[consumerIndex_] : nullptr;
}

}  // namespace vyr
