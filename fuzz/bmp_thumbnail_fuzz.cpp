// Fuzz target of the BMP thumbnail reader (picture files in a patient's folder and the thumbnail
// cache's entries are outside data): any bytes either give a 284 x 160 thumbnail or are refused;
// every byte of the thumbnail is summed so that the sanitizers check each write, and a refusal must
// leave the thumbnail untouched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/bmp_thumbnail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kStride = 284 * 3 + 4;
    std::vector<uint8_t> thumbnail(kStride * 160, 0xA5);
    const int result = vyr::MakeBmpThumbnail(data, size, thumbnail.data(), kStride);
    vyr::BmpLayout layout;
    const int layoutResult = vyr::ReadBmpLayout(data, size, &layout);
    if (result == 0 && (layoutResult != 0 || layout.neededBytes > size)) {
        std::abort();
    }
    uint32_t sum = 0;
    for (const uint8_t byte : thumbnail) {
        sum += byte;
    }
    if (result != 0 && sum != 0xA5u * thumbnail.size()) {
        std::abort();
    }
    // The sum must not be optimised away, or the reads it makes would go with it.
    asm volatile("" : : "r"(sum));
    return 0;
}
