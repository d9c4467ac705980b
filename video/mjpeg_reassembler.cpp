// Motion-JPEG block reassembly with every count checked against the block and the frame buffer.
#include "video/mjpeg_reassembler.h"

#include <cstring>

namespace vyr {
namespace {

int32_t ReadI32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
}

int ReadU16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

}  // namespace

MjpegReassembler::MjpegReassembler() : buffer_(kMjpegFrameBufferBytes) {}

MjpegReassembler::Result MjpegReassembler::Drop() {
    inFrame_ = false;
    frameLength_ = 0;
    return Result::kRefused;
}

MjpegReassembler::Result MjpegReassembler::Feed(const uint8_t* block, int length) {
    if (block == nullptr || length < kMjpegHeaderBytes) {
        return inFrame_ ? Drop() : Result::kRefused;
    }
    const int32_t total = ReadI32(block + 4);
    const int count = ReadU16(block + 8);
    const int number = ReadU16(block + 10);
    const uint8_t* payload = block + kMjpegHeaderBytes;

    const bool startsFrame =
        number == 1 && length >= kMjpegHeaderBytes + 2 && payload[0] == 0xFF && payload[1] == 0xD8;
    if (startsFrame) {
        inFrame_ = true;  // an unfinished previous frame is dropped here
        frameLength_ = 0;
    } else if (!inFrame_) {
        return Result::kCollecting;
    }
    if (total <= 0 || count > kMjpegPayloadMaxBytes || count > length - kMjpegHeaderBytes ||
        total > kMjpegFrameBufferBytes || frameLength_ + count > kMjpegFrameBufferBytes) {
        return Drop();
    }
    std::memcpy(buffer_.data() + frameLength_, payload, static_cast<size_t>(count));
    frameLength_ += count;
    if (frameLength_ == total) {
        inFrame_ = false;
        return Result::kFrame;
    }
    return Result::kCollecting;
}

}  // namespace vyr
