// ReceiveRing: the 2000 slots of 4096-byte stream blocks between the stream thread (the only
// producer) and the decode thread (the only consumer). Each slot's full flag is the hand-over: the
// producer fills the slot and then sets the flag with a release store; the consumer reads the flag
// with an acquire load, copies the slot and then clears the flag with a release store. When the
// slot at the write index is still full, a new block is dropped: the stream thread never waits.
//
// Each block carries the generation of the stream connection it came from (ffplay's "serial").
// The producer starts a new generation when it opens a new connection; the consumer then drops,
// and frees, the blocks of the old connection that it has not taken yet, so that a decoder never
// reads the stale tail of a stream that is over in front of the new one.
#pragma once

#include <atomic>
#include <cstdint>

namespace vyr {

inline constexpr int kReceiveRingSlots = 2000;
inline constexpr int kStreamBlockBytes = 4096;

class ReceiveRing {
public:
    // Empties every slot and rewinds both indices. Only while neither side runs.
    void Reset();

    // Producer: copies length bytes (at most 4096) into the slot at the write index.
    // Returns false, changing nothing, when that slot is still full (the block is dropped).
    bool PushReceiveBlock(const uint8_t* data, int length);

    // Consumer: copies the block at the read index into out (4096 bytes) and frees the slot.
    // Returns the block's length, or -1 when the slot at the read index is empty. Blocks of an
    // older generation are freed and skipped.
    int TryTakeBlock(uint8_t* out);
    // The same for a consumer of one generation: -1 also when the next block belongs to a newer
    // generation, which is left for the consumer of that one.
    int TryTakeBlock(uint8_t* out, uint32_t generation);

    // Producer: blocks pushed from now on belong to a new generation. Returns it.
    uint32_t BeginGeneration();
    // The generation of the blocks being pushed (0 after Reset); any thread.
    uint32_t generation() const { return generation_.load(std::memory_order_acquire); }
    // Blocks of an older generation skipped by the consumer, since the last Reset.
    uint64_t staleBlocks() const { return stale_.load(std::memory_order_relaxed); }

    // Blocks dropped because their slot was full, since the last Reset.
    uint64_t droppedBlocks() const { return dropped_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<int32_t> full{0};
        int32_t length = 0;
        uint32_t generation = 0;
        uint8_t data[kStreamBlockBytes] = {};
    };

    Slot slots_[kReceiveRingSlots];
    alignas(64) int32_t writeIndex_ = 0;  // producer only
    alignas(64) int32_t readIndex_ = 0;   // consumer only
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint32_t> generation_{0};
    std::atomic<uint64_t> stale_{0};
};

}  // namespace vyr
