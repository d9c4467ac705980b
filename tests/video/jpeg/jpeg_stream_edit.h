// Byte-level editing of well-formed JPEG streams for the decoder tests: listing marker
// segments (restart markers in the scan data included), removing, inserting and patching them,
// so that each test can build exactly the broken or unusual stream it needs from a valid one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vyr::test {

struct MarkerSegment {
    uint8_t code = 0;
    size_t offset = 0;  // position of the 0xFF
    size_t size = 0;    // marker, length field and body; 2 for markers without a length
};

// Walks SOI, the marker segments, the scan data (listing each RSTn) and EOI.
std::vector<MarkerSegment> ListSegments(const std::vector<uint8_t>& jpeg);

// The nth segment with this marker code; throws when there is none.
MarkerSegment FindSegment(const std::vector<uint8_t>& jpeg, uint8_t code, int nth = 0);

// The nth restart marker (RST0 to RST7 in turn) of the scan data; throws when there is none.
MarkerSegment FindRestartMarker(const std::vector<uint8_t>& jpeg, int nth);

// Number of restart markers in the scan data.
int CountRestartMarkers(const std::vector<uint8_t>& jpeg);

std::vector<uint8_t> RemoveSegments(const std::vector<uint8_t>& jpeg, uint8_t code);

// Inserts bytes right before the first segment with this marker code.
std::vector<uint8_t> InsertBefore(const std::vector<uint8_t>& jpeg, uint8_t code,
                                  const std::vector<uint8_t>& bytes);

// A DRI segment with the given interval.
std::vector<uint8_t> RestartIntervalSegment(int interval);

// Byte `index` of the body (after the length field) of the first segment with this code.
uint8_t& BodyByte(std::vector<uint8_t>& jpeg, uint8_t code, size_t index);

}  // namespace vyr::test
