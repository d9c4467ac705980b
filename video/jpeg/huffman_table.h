// Huffman tables of the baseline decoder: building one from a DHT table's code counts and
// symbols (canonical codes of T.81 Annex C), with an 8-bit look-ahead table for short codes and
// per-length limits for codes of 9 to 16 bits.
#pragma once

#include <cstdint>

namespace vyr::jpeg {

struct HuffmanTable {
    // Indexed by the next 8 bits of the stream: (code length << 8) | symbol for codes of up to
    // 8 bits, 0 when those bits start a longer code (or no code at all).
    uint16_t lookup[256];
    // For lengths 9 to 16: one past the last code of that length, left-aligned to 16 bits. A
    // 16-bit window w holds a code of the smallest length n with w < limit[n]. limit[17] is a
    // sentinel that every window passes, meaning "no code".
    uint32_t limit[18];
    // Symbol index of a code c of length n is c + symbolOffset[n].
    int32_t symbolOffset[18];
    // Symbols in code order, padded to 256 entries so that any index stays in bounds.
    uint8_t symbols[256];
};

// Builds *table from 16 code counts (codes of length 1..16) and their symbols. Returns false,
// leaving *table untouched, when the counts add up to more than 255 symbols or when the
// canonical codes do not fit their lengths.
bool BuildHuffmanTable(const uint8_t counts[16], const uint8_t* symbols, HuffmanTable* table);

}  // namespace vyr::jpeg
