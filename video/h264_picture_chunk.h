// Gathers the NAL units of an H.264 stream into one chunk per picture for the recording, so that
// an AVI file holds as many chunks as pictures and plays at the camera's pace: parameter sets, SEI
// and delimiters go into the chunk of the picture that follows them. A picture ends where the next
// access unit begins (ITU-T H.264 7.4.1.2.3): at an SEI, SPS, PPS, delimiter or unit of types
// 14 to 18, or at a slice whose first_mb_in_slice is 0, once the chunk already holds a slice.
#pragma once

#include <cstdint>
#include <vector>

namespace vyr {

// A chunk never grows past this: a stream without picture borders (garbage) is cut into chunks
// of at most this size rather than held in memory without end.
inline constexpr int kMaxPictureChunkBytes = 8 * 512000;

// The unit (with its four-byte start code) can only stand at the head of an access unit: an SEI,
// SPS, PPS, delimiter or unit of types 14 to 18, or a slice that starts at macroblock 0.
bool BeginsAccessUnit(const uint8_t* unit, int length);
// The unit is a slice of a picture (types 1, 2 and 5).
bool IsSliceUnit(const uint8_t* unit, int length);

class PictureChunk {
public:
    // True when the unit (with its four-byte start code) begins a new picture's chunk: the chunk
    // gathered so far is then complete and must be taken before Begin. Also true for the first
    // unit that can begin a picture when nothing has been begun yet.
    bool EndsChunk(const uint8_t* unit, int length) const;

    // Empties the chunk and begins the next. While copying is off, units are only looked at, so
    // that the live path copies nothing while no recording wants them.
    void Begin(bool isCopying);

    // Adds the unit to the chunk. Units before the first Begin are ignored (the stream was joined
    // in the middle of a picture). A unit that would pass kMaxPictureChunkBytes is not added;
    // returns false then, and the caller takes the chunk and begins another.
    bool Append(const uint8_t* unit, int length);

    const uint8_t* data() const { return bytes_.data(); }
    int size() const { return static_cast<int>(bytes_.size()); }
    // A decoder can start at this chunk: it holds a sequence parameter set or an IDR slice, both
    // with nal_ref_idc 3 (header byte 0x67 or 0x65).
    bool isKey() const { return isKey_; }

private:
    std::vector<uint8_t> bytes_;
    bool isBegun_ = false;
    bool isCopying_ = false;
    bool hasSlice_ = false;
    bool isKey_ = false;
};

}  // namespace vyr
