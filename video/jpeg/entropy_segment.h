// Entropy-coded segments: copying one out of the stream with its byte stuffing removed, and
// decoding its MCUs (Huffman decoding of DC differences and AC run/size pairs, then the block
// routine) into the current plane set.
#pragma once

#include <cstddef>
#include <cstdint>

struct JpegDecoder;

namespace vyr::jpeg {

// Copies the entropy-coded segment that starts at data[position] into the decoder's working
// buffer, dropping the 0x00 of each 0xFF 0x00 pair, up to the next marker (0xFF followed by a
// non-zero byte) or the end of the data. Bytes beyond the buffer's capacity (its size less
// kEntropyTailBytes) are skipped, not copied. Returns the position of the marker that ended
// the segment (or length); *copiedBytes is the number of bytes in the working buffer.
size_t CopyEntropySegment(JpegDecoder& decoder, const uint8_t* data, size_t length, size_t position,
                          size_t* copiedBytes);

// Decodes the restart interval that starts at the running MCU number from the segment in the
// working buffer: DC predictors start at 0, MCUs are decoded in raster order until the interval
// or the picture ends. An invalid code, a coefficient index past 63 or reading past the
// segment's end sets the damaged flag and ends the segment. The running MCU number then
// advances by the interval, whatever happened, but never past the picture's MCU count.
void DecodeEntropySegment(JpegDecoder& decoder, size_t segmentBytes);

}  // namespace vyr::jpeg
