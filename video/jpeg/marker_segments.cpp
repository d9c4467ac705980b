// Header and table segment parsing (T.81 B.2.2 frame header, B.2.3 scan header, B.2.4.1 DQT,
// B.2.4.2 DHT), with every field checked before it is used and every table built aside and
// stored only when it is valid.
#include "video/jpeg/marker_segments.h"

#include "video/jpeg/decoder_context.h"
#include "video/jpeg/jpeg_decoder.h"

namespace vyr::jpeg {
namespace {

inline int ReadU16(const uint8_t* bytes) {
    return bytes[0] << 8 | bytes[1];
}

struct LayoutShape {
    int lumaBlocksWide;
    int lumaBlocksHigh;
    int layout;
};

// The four supported luma samplings, indexed by layout number.
constexpr LayoutShape kLayouts[4] = {
    {2, 2, JPEG_LAYOUT_420},
    {2, 1, JPEG_LAYOUT_422},
    {1, 1, JPEG_LAYOUT_444},
    {1, 2, JPEG_LAYOUT_440},
};

}  // namespace

int ParseFrameHeader(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes) {
    // Body: precision, height (2), width (2), component count, then 3 bytes per component.
    if (bodyBytes >= 1 && body[0] != 8) {
        return JPEG_ERROR_UNSUPPORTED;
    }
    if (bodyBytes < 6 || bodyBytes != 6 + 3 * static_cast<size_t>(body[5])) {
        return JPEG_ERROR_FRAME_LENGTH;
    }
    const int height = ReadU16(body + 1);
    const int width = ReadU16(body + 3);
    const int components = body[5];
    if (width == 0 || height == 0 || width > decoder.maxWidth || height > decoder.maxHeight) {
        return JPEG_ERROR_SIZE;
    }
    if (components == 1) {
        return JPEG_ERROR_GREYSCALE;
    }
    if (components != kComponentCount) {
        return JPEG_ERROR_COMPONENTS;
    }
    const uint8_t* component = body + 6;
    for (int i = 0; i < kComponentCount; ++i) {
        if (component[3 * i + 2] > 3) {
            return JPEG_ERROR_UNSUPPORTED;
        }
    }
    const int lumaH = component[1] >> 4;
    const int lumaV = component[1] & 15;
    if ((lumaH == 4 && lumaV == 1) || (lumaH == 1 && lumaV == 4)) {
        return JPEG_ERROR_LUMA_SAMPLING;
    }
    if (component[4] != 0x11 || component[7] != 0x11) {
        return JPEG_ERROR_COMPONENTS;
    }
    const LayoutShape* shape = nullptr;
    for (const LayoutShape& candidate : kLayouts) {
        if (candidate.lumaBlocksWide == lumaH && candidate.lumaBlocksHigh == lumaV) {
            shape = &candidate;
        }
    }
    if (shape == nullptr) {
        return JPEG_ERROR_COMPONENTS;
    }

    FrameHeader& frame = decoder.frame;
    frame.width = width;
    frame.height = height;
    for (int i = 0; i < kComponentCount; ++i) {
        frame.componentIds[i] = component[3 * i];
        frame.quantTableIndex[i] = component[3 * i + 2];
    }
    frame.layout = shape->layout;
    frame.lumaBlocksWide = shape->lumaBlocksWide;
    frame.lumaBlocksHigh = shape->lumaBlocksHigh;
    const int mcuWidth = 8 * shape->lumaBlocksWide;
    const int mcuHeight = 8 * shape->lumaBlocksHigh;
    frame.mcusPerRow = (width + mcuWidth - 1) / mcuWidth;
    frame.mcuRows = (height + mcuHeight - 1) / mcuHeight;
    frame.lumaStride = frame.mcusPerRow * mcuWidth;
    // Chroma has one block per MCU: 8 samples of chroma per MCU column.
    frame.chromaStride = frame.mcusPerRow * 8;
    decoder.totalMcus = static_cast<int64_t>(frame.mcusPerRow) * frame.mcuRows;
    if (!decoder.isRestartFromDri) {
        decoder.restartInterval = static_cast<int>(decoder.totalMcus);
    }
    return JPEG_ERROR_NONE;
}

bool ParseScanHeader(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes) {
    // Body: component count, 2 bytes per component, then Ss, Se, Ah/Al.
    if (bodyBytes < 1 || body[0] != kComponentCount ||
        bodyBytes != 4 + 2 * static_cast<size_t>(kComponentCount)) {
        return false;
    }
    ScanTables tables;
    for (int i = 0; i < kComponentCount; ++i) {
        const uint8_t id = body[1 + 2 * i];
        const int dcTable = body[2 + 2 * i] >> 4;
        const int acTable = body[2 + 2 * i] & 15;
        if (id != decoder.frame.componentIds[i] || dcTable > 1 || acTable > 1) {
            return false;
        }
        tables.dc[i] = &decoder.dcTables[dcTable];
        tables.ac[i] = &decoder.acTables[acTable];
    }
    const uint8_t* selection = body + 1 + 2 * kComponentCount;
    if (selection[0] != 0 || selection[1] != 63 || selection[2] != 0) {
        return false;
    }
    decoder.scan = tables;
    for (int i = 0; i < kComponentCount; ++i) {
        BuildDequantFactors(decoder.quantTables[decoder.frame.quantTableIndex[i]],
                            decoder.dequant[i]);
    }
    return true;
}

bool ParseQuantTables(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes) {
    size_t position = 0;
    while (position < bodyBytes) {
        // Precision (high nibble) 0 = 8-bit and table number 0..3: the byte is at most 3.
        const uint8_t precisionAndNumber = body[position++];
        if (precisionAndNumber > 3 || bodyBytes - position < 64) {
            return false;
        }
        for (size_t k = 0; k < 64; ++k) {
            decoder.quantTables[precisionAndNumber][k] = body[position + k];
        }
        position += 64;
    }
    return true;
}

bool ParseHuffmanTables(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes) {
    size_t position = 0;
    while (position < bodyBytes) {
        const uint8_t classAndNumber = body[position++];
        if ((classAndNumber & 0xEE) != 0 || bodyBytes - position < 16) {
            return false;
        }
        const uint8_t* counts = body + position;
        position += 16;
        size_t symbolCount = 0;
        for (int i = 0; i < 16; ++i) {
            symbolCount += counts[i];
        }
        if (bodyBytes - position < symbolCount) {
            return false;
        }
        HuffmanTable* target = (classAndNumber >> 4) == 0 ? &decoder.dcTables[classAndNumber & 1]
                                                          : &decoder.acTables[classAndNumber & 1];
        if (!BuildHuffmanTable(counts, body + position, target)) {
            return false;
        }
        position += symbolCount;
    }
    return true;
}

}  // namespace vyr::jpeg
