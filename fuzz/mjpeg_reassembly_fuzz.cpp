// Fuzz target of Motion-JPEG block reassembly: the input is cut into blocks whose lengths come
// from the input itself (mostly 4096, sometimes shorter), each fed to one reassembler; every byte
// of each completed frame is summed so that the sanitizers check each read.
#include <cstddef>
#include <cstdint>

#include "video/mjpeg_reassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vyr::MjpegReassembler reassembler;
    reassembler = vyr::MjpegReassembler();
    uint32_t sum = 0;
    size_t at = 0;
    while (at < size) {
        // One length byte before each block: 0 means a whole 4096-byte block, others are short.
        const int wanted = data[at] == 0 ? 4096 : data[at] * 16;
        ++at;
        const int length = static_cast<int>(
            size - at < static_cast<size_t>(wanted) ? size - at : static_cast<size_t>(wanted));
        if (reassembler.Feed(data + at, length) == vyr::MjpegReassembler::Result::kFrame) {
            for (int i = 0; i < reassembler.frameLength(); ++i) {
                sum += reassembler.frame()[i];
            }
        }
        at += static_cast<size_t>(length);
    }
    // The sum must not be optimised away, or the reads it makes would go with it.
    asm volatile("" : : "r"(sum));
    return 0;
}
