// Bit reader and Huffman symbol decoder over an unstuffed entropy-coded segment. The segment
// lies in the working buffer with its 0xFF 0x00 pairs already reduced to 0xFF, so the reader
// refills a 64-bit left-aligned window eight bytes at a time with no marker checks (the
// branch-free refill that keeps 56 to 63 bits valid). It may look past the segment's end (the
// working buffer keeps kEntropyTailBytes spare); the caller compares BitsConsumed() with the
// segment's size to notice reads past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "video/jpeg/huffman_table.h"

namespace vyr::jpeg {

class BitReader {
public:
    explicit BitReader(const uint8_t* start) : start_(start), next_(start) {}

    // Ensures at least 56 valid bits when fewer than 32 remain: enough for one Huffman code
    // (16 bits) plus its extra bits (at most 15) without a further check.
    void EnsureBits() {
        if (count_ < 32) {
            Refill();
        }
    }

    uint64_t BitsConsumed() const {
        return static_cast<uint64_t>(next_ - start_) * 8 - static_cast<uint64_t>(count_);
    }

    // Decodes one Huffman symbol; -1 for a bit pattern that is no code of the table.
    int DecodeSymbol(const HuffmanTable& table) {
        const uint32_t entry = table.lookup[window_ >> 56];
        if (entry != 0) {
            Consume(static_cast<int>(entry >> 8));
            return static_cast<int>(entry & 0xFF);
        }
        return DecodeLongSymbol(table);
    }

    // Reads `size` (1..15) extra bits and extends them to a signed difference (T.81 F.2.2.1):
    // a leading 0 bit means a negative value.
    int ReceiveExtended(int size) {
        const int bits = static_cast<int>(window_ >> (64 - size));
        Consume(size);
        const int isNegative = ((bits >> (size - 1)) & 1) ^ 1;
        return bits - (isNegative * ((1 << size) - 1));
    }

private:
    void Refill() {
        uint64_t word;
        std::memcpy(&word, next_, sizeof(word));
        window_ |= __builtin_bswap64(word) >> count_;
        next_ += (63 - count_) >> 3;
        count_ |= 56;
    }

    void Consume(int bits) {
        window_ <<= bits;
        count_ -= bits;
    }

    int DecodeLongSymbol(const HuffmanTable& table) {
        const auto code16 = static_cast<uint32_t>(window_ >> 48);
        int length = 9;
        while (code16 >= table.limit[length]) {
            ++length;
        }
        if (length > 16) {
            return -1;
        }
        const int index = static_cast<int>(code16 >> (16 - length)) + table.symbolOffset[length];
        Consume(length);
        return table.symbols[index & 0xFF];
    }

    const uint8_t* start_;
    const uint8_t* next_;
    uint64_t window_ = 0;  // valid bits at the top
    int count_ = 0;        // number of valid bits in window_
};

}  // namespace vyr::jpeg
