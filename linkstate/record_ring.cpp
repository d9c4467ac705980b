// RecordRing slot hand-over. A slot's copy is reused (resized) rather than freed and allocated for
// every frame, which keeps the decode thread's allocations to the first pass over the ring.
#include "linkstate/record_ring.h"

#include <cstring>

namespace vyr {

void RecordRing::ResetRecordRing() {
    for (Slot& slot : slots_) {
        slot.full.store(0, std::memory_order_relaxed);
        slot.size = 0;
        slot.keyFrame = 0;
    }
    writeIndex_ = 0;
    readIndex_ = 0;
}

int RecordRing::PushRecordFrame(const uint8_t* data, int32_t size, int32_t keyFrame) {
    Slot& slot = slots_[writeIndex_];
    if (size < 0 || slot.full.load(std::memory_order_acquire) != 0) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    slot.copy.resize(static_cast<size_t>(size));
    if (size > 0) {
        std::memcpy(slot.copy.data(), data, static_cast<size_t>(size));
    }
    slot.size = size;
    slot.keyFrame = keyFrame;
    slot.full.store(1, std::memory_order_release);
    writeIndex_ = (writeIndex_ + 1) % kRecordRingSlots;
    return 1;
}

bool RecordRing::PeekFrame(RecordFrameView* frame) {
    Slot& slot = slots_[readIndex_];
    if (slot.full.load(std::memory_order_acquire) == 0) {
        return false;
    }
    *frame = {slot.copy.data(), slot.size, slot.keyFrame};
    return true;
}

void RecordRing::ReleaseFrame() {
    slots_[readIndex_].full.store(0, std::memory_order_release);
    readIndex_ = (readIndex_ + 1) % kRecordRingSlots;
}

}  // namespace vyr
