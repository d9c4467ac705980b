// ReceiveRing slot hand-over with release/acquire on the full flag.
#include "linkstate/receive_ring.h"

#include <algorithm>
#include <cstring>

namespace vyr {

void ReceiveRing::Reset() {
    for (Slot& slot : slots_) {
        slot.full.store(0, std::memory_order_relaxed);
        slot.length = 0;
        std::memset(slot.data, 0, sizeof slot.data);
    }
    writeIndex_ = 0;
    readIndex_ = 0;
    dropped_.store(0, std::memory_order_relaxed);
}

bool ReceiveRing::PushReceiveBlock(const uint8_t* data, int length) {
    Slot& slot = slots_[writeIndex_];
    if (slot.full.load(std::memory_order_acquire) != 0) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const int count = std::clamp(length, 0, kStreamBlockBytes);
    std::memcpy(slot.data, data, static_cast<size_t>(count));
    slot.length = count;
    slot.full.store(1, std::memory_order_release);
    writeIndex_ = (writeIndex_ + 1) % kReceiveRingSlots;
    return true;
}

int ReceiveRing::TryTakeBlock(uint8_t* out) {
    Slot& slot = slots_[readIndex_];
    if (slot.full.load(std::memory_order_acquire) == 0) {
        return -1;
    }
    const int length = slot.length;
    std::memcpy(out, slot.data, static_cast<size_t>(length));
    slot.full.store(0, std::memory_order_release);
    readIndex_ = (readIndex_ + 1) % kReceiveRingSlots;
    return length;
}

}  // namespace vyr
