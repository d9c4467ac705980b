// Parsers and checks of the marker segments that carry headers and tables: frame header (SOF0),
// scan header (SOS), quantisation tables (DQT) and Huffman tables (DHT). Each takes the
// segment's body: the bytes after its two-byte length field, all inside the data.
#pragma once

#include <cstddef>
#include <cstdint>

struct JpegDecoder;

namespace vyr::jpeg {

// Checks the frame header and, when it is acceptable, stores it with its layout, MCU counts and
// strides, and makes the whole picture one restart interval unless a DRI set one. Returns 0 or
// the JPEG_ERROR_* code of the first failed check, in this order: precision (1), length (128),
// size (4), one component (2), component count (8), quantisation table number (1), luma 4x1
// or 1x4 (16), chroma sampling (8), other luma sampling (8).
int ParseFrameHeader(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes);

// Checks the scan header against the frame (three components in the frame's order, length,
// Huffman table numbers 0 or 1, spectral selection 0 to 63, successive approximation 0) and
// selects each component's Huffman tables and dequantisation factors. Returns false when a
// check fails.
bool ParseScanHeader(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes);

// Stores each 8-bit quantisation table (numbers 0 to 3) of the segment. Returns false on a
// table number or precision byte above 3, or a table that runs past the segment; tables before
// the bad one are kept.
bool ParseQuantTables(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes);

// Builds and stores each Huffman table (class 0 or 1, number 0 or 1) of the segment. Returns
// false on another class or number, more than 255 symbols, codes that do not fit their lengths
// or a table that runs past the segment; tables before the bad one are kept.
bool ParseHuffmanTables(JpegDecoder& decoder, const uint8_t* body, size_t bodyBytes);

}  // namespace vyr::jpeg
