// H.264 Annex B byte streams as the camera sends them: every start code four bytes long
// (00 00 00 01), and a stream that can be cut into pictures for pacing.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vyr::camsim {

// Rewrites every three-byte start code (00 00 01 not preceded by a zero byte) as 00 00 00 01.
// Four-byte codes are kept; inside a NAL unit 00 00 01 cannot occur (emulation prevention), so
// every occurrence is a start code.
std::vector<uint8_t> WithFourByteStartCodes(std::span<const uint8_t> stream);

// One NAL unit of a stream with four-byte start codes: where its start code begins and how many
// bytes it spans up to the next start code (start code included).
struct NalSpan {
    size_t offset = 0;
    size_t length = 0;
};

// The NAL units of a stream with four-byte start codes; bytes before the first start code are
// skipped.
std::vector<NalSpan> SplitNalUnits(std::span<const uint8_t> stream);

// The nal_unit_type of the unit at span (0 for a unit too short to have a header).
int NalType(std::span<const uint8_t> stream, const NalSpan& nal);

// Groups the units into access units (pictures): a picture ends before an access unit delimiter,
// SEI, SPS or PPS that follows a slice, and before a slice whose first_mb_in_slice is 0. Each
// element is the bytes of one picture with its parameter sets; bytes before the first start code
// are dropped.
std::vector<std::vector<uint8_t>> SplitPictures(std::span<const uint8_t> stream);

}  // namespace vyr::camsim
