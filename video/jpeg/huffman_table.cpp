// Builds canonical Huffman decoding tables (T.81 Annex C): codes are assigned in order of length,
// each length starting at twice the code after the previous length's last code. Codes of up to
// 8 bits fill a 256-entry look-up table; longer ones are found through per-length limits.
#include "video/jpeg/huffman_table.h"

#include <cstring>

namespace vyr::jpeg {

bool BuildHuffmanTable(const uint8_t counts[16], const uint8_t* symbols, HuffmanTable* table) {
    int totalSymbols = 0;
    for (int i = 0; i < 16; ++i) {
        totalSymbols += counts[i];
    }
    if (totalSymbols > 255) {
        return false;
    }

    HuffmanTable built;
    std::memset(&built, 0, sizeof(built));
    std::memcpy(built.symbols, symbols, static_cast<size_t>(totalSymbols));

    uint32_t code = 0;
    int symbolIndex = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = counts[length - 1];
        const uint32_t firstCode = code;
        code += static_cast<uint32_t>(count);
        // After this length's codes, the next free code must still fit in `length` bits.
        if (code > (1u << length)) {
            return false;
        }
        if (length <= 8) {
            for (int i = 0; i < count; ++i) {
                const uint32_t shift = static_cast<uint32_t>(8 - length);
                const uint32_t begin = (firstCode + static_cast<uint32_t>(i)) << shift;
                const uint32_t end = begin + (1u << shift);
                const auto entry =
                    static_cast<uint16_t>(length << 8 | built.symbols[symbolIndex + i]);
                for (uint32_t slot = begin; slot < end; ++slot) {
                    built.lookup[slot] = entry;
                }
            }
        }
        built.limit[length] = code << (16 - length);
        built.symbolOffset[length] = symbolIndex - static_cast<int32_t>(firstCode);
        symbolIndex += count;
        code <<= 1;
    }
    built.limit[17] = 0xFFFFFFFFu;
    *table = built;
    return true;
}

}  // namespace vyr::jpeg
