// Reassembly of Motion-JPEG frames from the camera's 4096-byte stream blocks. Each block carries a
// 12-byte header (int32 total frame length at 4, uint16 payload count at 8, uint16 block number at
// 10, little-endian) and up to 4084 payload bytes. A frame starts at a block numbered 1 whose
// payload begins with the start-of-image marker FF D8 (a half-collected frame is dropped), and is
// complete when the collected length equals the total length in the header of the block just
// added. Counts and lengths come from the network and are checked before any byte is copied.
#pragma once

#include <cstdint>
#include <vector>

namespace vyr {

inline constexpr int kMjpegHeaderBytes = 12;
inline constexpr int kMjpegPayloadMaxBytes = 4084;
inline constexpr int kMjpegFrameBufferBytes = 819200;

class MjpegReassembler {
public:
    enum class Result {
        kCollecting,  // the block was taken (or ignored outside a frame); no frame completed
        kFrame,       // a frame is complete: frame() and frameLength() describe it
        kRefused,     // the block broke a bound (payload count over 4084 or beyond the block,
                      // total length not positive or over 819,200 bytes, frame longer than the
                      // buffer); the frame being collected is dropped
    };

    MjpegReassembler();

    // Takes one block of length bytes (normally 4096).
    Result Feed(const uint8_t* block, int length);

    // The complete frame after kFrame; valid until the next Feed.
    const uint8_t* frame() const { return buffer_.data(); }
    int frameLength() const { return frameLength_; }
    bool inFrame() const { return inFrame_; }

private:
    Result Drop();

    std::vector<uint8_t> buffer_;
    int frameLength_ = 0;
    bool inFrame_ = false;
};

}  // namespace vyr
