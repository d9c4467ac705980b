// RecordRing: the 320 slots of complete frames between the decode thread (the only producer) and
// the recording thread (the only consumer). A slot owns a heap copy of one frame and its key-frame
// flag; the full flag hands it over with release/acquire as in ReceiveRing. A full slot at the
// write index drops the new frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace vyr {

inline constexpr int kRecordRingSlots = 320;

struct RecordFrameView {
    const uint8_t* data = nullptr;
    int32_t size = 0;
    int32_t keyFrame = 0;
};

class RecordRing {
public:
    // Rewinds both indices and marks every slot empty; the copies stay allocated for reuse.
    // Called by the producer when a recording starts, while the consumer takes nothing.
    void ResetRecordRing();

    // Producer: copies the frame into the slot at the write index. Returns 1, or 0 when that slot
    // is still full or size is negative (the frame is dropped).
    int PushRecordFrame(const uint8_t* data, int32_t size, int32_t keyFrame);

    // Consumer: the frame at the read index, valid until ReleaseFrame; false when it is empty.
    bool PeekFrame(RecordFrameView* frame);
    // Consumer: frees the slot at the read index and moves on.
    void ReleaseFrame();

    uint64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<int32_t> full{0};
        std::vector<uint8_t> copy;
        int32_t size = 0;
        int32_t keyFrame = 0;
    };

    Slot slots_[kRecordRingSlots];
    alignas(64) int32_t writeIndex_ = 0;
    alignas(64) int32_t readIndex_ = 0;
    std::atomic<uint64_t> dropped_{0};
};

}  // namespace vyr
