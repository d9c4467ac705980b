// Entropy-coded segment decoding of the baseline process (T.81 F.2.2): per block a DC
// difference (Huffman category + extra bits, added to the component's predictor) and AC
// run/size pairs until end-of-block, coefficients placed through the zig-zag table; blocks with
// only a DC coefficient take the flat store instead of the full inverse transform.
#include "video/jpeg/entropy_segment.h"

#include <algorithm>
#include <cstring>

#include "video/jpeg/bit_reader.h"
#include "video/jpeg/decoder_context.h"

namespace vyr::jpeg {
namespace {

// 8-bit samples give DC differences of at most 11 bits (T.81 F.1.2.1.1); a larger category only
// comes from damaged data or a table made for another precision.
constexpr int kMaxDcCategory = 11;

struct BlockPlace {
    uint8_t* out;
    ptrdiff_t stride;
};

// Decodes one block's coefficients into `coefficients` (zeroed beforehand) and stores the
// block. Returns false on an invalid code or a run past the end of the block.
inline bool DecodeBlock(BitReader& reader, const HuffmanTable& dcTable, const HuffmanTable& acTable,
                        int& predictor, int16_t* coefficients, const float* dequant,
                        BlockRoutine routine, const BlockPlace& place) {
    reader.EnsureBits();
    const int category = reader.DecodeSymbol(dcTable);
    if (category < 0 || category > kMaxDcCategory) {
        return false;
    }
    const int difference = category != 0 ? reader.ReceiveExtended(category) : 0;
    // The predictor wraps at 16 bits like the coefficient it feeds, so damaged data cannot make
    // it grow without bound.
    predictor = static_cast<int16_t>(predictor + difference);

    bool hasAc = false;
    for (int k = 1; k < 64; ++k) {
        reader.EnsureBits();
        const int symbol = reader.DecodeSymbol(acTable);
        if (symbol < 0) {
            return false;
        }
        const int run = symbol >> 4;
        const int size = symbol & 15;
        if (size == 0) {
            if (run != 15) {
                break;  // end of block
            }
            k += 15;  // sixteen zeros
            continue;
        }
        k += run;
        if (k > 63) {
            return false;
        }
        coefficients[kZigZagToCoefficient[static_cast<size_t>(k)]] =
            static_cast<int16_t>(reader.ReceiveExtended(size));
        hasAc = true;
    }
    if (hasAc) {
        coefficients[0] = static_cast<int16_t>(predictor);
        routine(coefficients, dequant, place.out, place.stride);
    } else {
        StoreFlatBlock(predictor, dequant[0], place.out, place.stride);
    }
    return true;
}

}  // namespace

size_t CopyEntropySegment(JpegDecoder& decoder, const uint8_t* data, size_t length, size_t position,
                          size_t* copiedBytes) {
    uint8_t* out = decoder.workBuffer;
    const size_t capacity = decoder.workBufferBytes - kEntropyTailBytes;
    size_t copied = 0;
    size_t end = length;
    while (position < length) {
        const void* found = std::memchr(data + position, 0xFF, length - position);
        const size_t next = found != nullptr
                                ? static_cast<size_t>(static_cast<const uint8_t*>(found) - data)
                                : length;
        const size_t run = std::min(next - position, capacity - copied);
        std::memcpy(out + copied, data + position, run);
        copied += run;
        if (next >= length) {
            break;
        }
        if (next + 1 >= length || data[next + 1] != 0x00) {
            end = next;  // a marker (or a lone 0xFF at the very end) ends the segment
            break;
        }
        if (copied < capacity) {
            out[copied++] = 0xFF;
        }
        position = next + 2;
    }
    // Zero the first bytes after the segment so that the look-ahead past its last code reads
    // the same bits on every call; damage is decided by the count of bits consumed, not these.
    std::memset(out + copied, 0, 16);
    *copiedBytes = copied;
    return end;
}

void DecodeEntropySegment(JpegDecoder& decoder, size_t segmentBytes) {
    const FrameHeader& frame = decoder.frame;
    const int64_t first = decoder.nextMcu;
    const int64_t last = std::min(first + decoder.restartInterval, decoder.totalMcus);
    decoder.nextMcu = last;
    if (first >= last) {
        return;
    }

    uint8_t* const planes =
        decoder.planeBuffer + static_cast<size_t>(decoder.planeSet) * 3 * decoder.planeBytes;
    uint8_t* const lumaPlane = planes;
    uint8_t* const cbPlane = planes + decoder.planeBytes;
    uint8_t* const crPlane = planes + 2 * decoder.planeBytes;
    const ptrdiff_t lumaStride = frame.lumaStride;
    const ptrdiff_t chromaStride = frame.chromaStride;
    const int blocksWide = frame.lumaBlocksWide;
    const int blocksHigh = frame.lumaBlocksHigh;
    const uint64_t availableBits = static_cast<uint64_t>(segmentBytes) * 8;
    const BlockRoutine routine = decoder.blockRoutine;

    alignas(16) int16_t coefficients[64] = {};
    int predictors[kComponentCount] = {0, 0, 0};
    BitReader reader(decoder.workBuffer);

    int mcuColumn = static_cast<int>(first % frame.mcusPerRow);
    int mcuRow = static_cast<int>(first / frame.mcusPerRow);
    for (int64_t mcu = first; mcu < last; ++mcu) {
        const ptrdiff_t lumaX = static_cast<ptrdiff_t>(mcuColumn) * blocksWide * 8;
        const ptrdiff_t lumaY = static_cast<ptrdiff_t>(mcuRow) * blocksHigh * 8;
        bool isClean = true;
        for (int by = 0; by < blocksHigh && isClean; ++by) {
            for (int bx = 0; bx < blocksWide && isClean; ++bx) {
                const BlockPlace place{lumaPlane + (lumaY + by * 8) * lumaStride + lumaX + bx * 8,
                                       lumaStride};
                isClean =
                    DecodeBlock(reader, *decoder.scan.dc[0], *decoder.scan.ac[0], predictors[0],
                                coefficients, decoder.dequant[0], routine, place);
            }
        }
        const ptrdiff_t chromaOffset =
            static_cast<ptrdiff_t>(mcuRow) * 8 * chromaStride + mcuColumn * 8;
        for (int component = 1; component < kComponentCount && isClean; ++component) {
            uint8_t* plane = component == 1 ? cbPlane : crPlane;
            const BlockPlace place{plane + chromaOffset, chromaStride};
            isClean = DecodeBlock(reader, *decoder.scan.dc[component], *decoder.scan.ac[component],
                                  predictors[component], coefficients, decoder.dequant[component],
                                  routine, place);
        }
        if (!isClean || reader.BitsConsumed() > availableBits) {
            decoder.damaged = 1;
            return;
        }
        if (++mcuColumn == frame.mcusPerRow) {
            mcuColumn = 0;
            ++mcuRow;
        }
    }
}

}  // namespace vyr::jpeg
