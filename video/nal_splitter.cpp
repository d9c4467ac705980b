// NAL unit splitting with the shift register. Bytes are appended to the unit buffer as they are
// scanned; a unit that would pass the buffer's size is marked and dropped whole at its end, so a
// hostile stream can never write past the buffer.
#include "video/nal_splitter.h"

#include <cstddef>

namespace vyr {
namespace {

constexpr uint32_t kRegisterStart = 0x0F0F0F0F;
constexpr uint32_t kRegisterAfterStartCode = 0xFFFFFFFF;
constexpr uint32_t kStartCode = 0x00000001;

uint32_t startCodeRegister = kRegisterStart;

}  // namespace

// Spare bytes after the largest unit keep readers that look a little ahead inside the buffer.
NalSplitter::NalSplitter() : unit_(kMaxNalUnitBytes + 64) {}

void NalSplitter::ResetRegisterForTest() {
    startCodeRegister = kRegisterStart;
}

void NalSplitter::StartNextUnit() {
    unit_[0] = 0;
    unit_[1] = 0;
    unit_[2] = 0;
    unit_[3] = 1;
    unitLength_ = 4;
    keptBytes_ = 0;
    oversized_ = false;
}

void NalSplitter::Feed(const uint8_t* data, int length, Handler& handler) {
    uint32_t shift = startCodeRegister;
    for (int i = 0; i < length; ++i) {
        const uint8_t byte = data[i];
        shift = (shift << 8) | byte;
        if (unitLength_ < kMaxNalUnitBytes) {
            unit_[static_cast<std::size_t>(unitLength_++)] = byte;
        } else {
            oversized_ = true;
        }
        if (shift != kStartCode) {
            continue;
        }
        shift = kRegisterAfterStartCode;
        if (beforeFirstStartCode_) {
            beforeFirstStartCode_ = false;  // the bytes before the first start code are thrown away
            StartNextUnit();
        } else if (oversized_ || unitLength_ < 4) {
            ++oversizedUnits_;
            StartNextUnit();
        } else if (handler.HandleUnit(unit_.data(), unitLength_ - 4, keptBytes_)) {
            StartNextUnit();
        } else if (unitLength_ >= kMaxNalUnitBytes) {
            // A kept unit that fills the buffer cannot take the next one behind it.
            ++oversizedUnits_;
            StartNextUnit();
        } else {
            keptBytes_ = unitLength_ - 4;  // the next unit starts at the start code just found
        }
    }
    startCodeRegister = shift;
}

}  // namespace vyr
