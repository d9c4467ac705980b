// ReceiveRing slot hand-over with release/acquire on the full flag. A slot's generation is written
// before its full flag is released, and the ring's generation is raised before any block of the
// new generation is pushed, so a consumer that acquires a slot always sees a ring generation at
// least as new as the slot's: a difference means the slot is stale.
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
    generation_.store(0, std::memory_order_release);
    stale_.store(0, std::memory_order_relaxed);
}

uint32_t ReceiveRing::BeginGeneration() {
    return generation_.fetch_add(1, std::memory_order_acq_rel) + 1;
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
    slot.generation = generation_.load(std::memory_order_relaxed);
    slot.full.store(1, std::memory_order_release);
    writeIndex_ = (writeIndex_ + 1) % kReceiveRingSlots;
    return true;
}

int ReceiveRing::TryTakeBlock(uint8_t* out) {
    return TryTakeBlock(out, generation());
}

int ReceiveRing::TryTakeBlock(uint8_t* out, uint32_t generation) {
    // Stale blocks are finite: every block pushed after BeginGeneration carries the new generation.
    for (;;) {
        Slot& slot = slots_[readIndex_];
        if (slot.full.load(std::memory_order_acquire) == 0) {
            return -1;
        }
        const bool isStale = slot.generation != generation_.load(std::memory_order_acquire);
        if (!isStale && slot.generation != generation) {
            return -1;  // a newer stream's block, not for this consumer
        }
        const int length = slot.length;
        if (!isStale) {
            std::memcpy(out, slot.data, static_cast<size_t>(length));
        }
        slot.full.store(0, std::memory_order_release);
        readIndex_ = (readIndex_ + 1) % kReceiveRingSlots;
        if (!isStale) {
            return length;
        }
        stale_.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace vyr
