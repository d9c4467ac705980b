// The decoder's state: buffers allocated once at creation, the tables that carry over between
// pictures, and the per-picture frame and scan state that the marker scan fills in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "video/jpeg/block_routine.h"
#include "video/jpeg/huffman_table.h"

namespace vyr::jpeg {

inline constexpr int kComponentCount = 3;
inline constexpr int kMaxBlocksPerMcu = 6;  // 2x2 luma + Cb + Cr
// Bytes kept free at the end of the working buffer. The bit reader loads eight bytes at a time
// and a damaged MCU may read well past its segment before the overrun is noticed at the MCU's
// end: 6 blocks x 64 codes x at most 31 bits each is 1536 bytes, so 4096 zero bytes cover it.
inline constexpr size_t kEntropyTailBytes = 4096;

struct FrameHeader {
    int width = 0;
    int height = 0;
    uint8_t componentIds[kComponentCount] = {};
    uint8_t quantTableIndex[kComponentCount] = {};
    int layout = 0;
    int lumaBlocksWide = 1;  // luma sampling H
    int lumaBlocksHigh = 1;  // luma sampling V
    int mcusPerRow = 0;
    int mcuRows = 0;
    int lumaStride = 0;
    int chromaStride = 0;
};

struct ScanTables {
    const HuffmanTable* dc[kComponentCount] = {};
    const HuffmanTable* ac[kComponentCount] = {};
};

}  // namespace vyr::jpeg

struct JpegDecoder {
    int maxWidth = 0;
    int maxHeight = 0;

    uint8_t* workBuffer = nullptr;  // unstuffed entropy-coded segments
    size_t workBufferBytes = 0;
    uint8_t* planeBuffer = nullptr;  // two plane sets of Y, Cb, Cr
    size_t planeBytes = 0;           // bytes of one plane
    int planeSet = 0;                // plane set the next picture goes to

    // Quantisation tables in the stream's zig-zag order, as the last DQT (or Annex K) gave them.
    uint16_t quantTables[4][64] = {};
    vyr::jpeg::HuffmanTable dcTables[2];
    vyr::jpeg::HuffmanTable acTables[2];

    vyr::jpeg::BlockRoutine blockRoutine = nullptr;

    // Per-picture state, reset by each decode call.
    vyr::jpeg::FrameHeader frame;
    vyr::jpeg::ScanTables scan;
    // Dequantisation factors per component for the block routine, in its coefficient order.
    alignas(16) float dequant[vyr::jpeg::kComponentCount][64] = {};
    int restartInterval = 0;        // MCUs per entropy-coded segment
    bool isRestartFromDri = false;  // a DRI with a non-zero interval set restartInterval
    int64_t nextMcu = 0;            // running MCU number where the next segment starts
    int64_t totalMcus = 0;          // MCUs in the picture
    int errorCode = 0;
    int damaged = 0;
};
