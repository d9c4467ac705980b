// Conversion of decoded 4:2:0 pictures to the packed 24-bit BGR frames that are presented.
#pragma once

#include <cstdint>

namespace vyr {

struct PlanarPicture {
    const uint8_t* y = nullptr;
    const uint8_t* u = nullptr;
    const uint8_t* v = nullptr;
    int yStride = 0;
    int uvStride = 0;
    int width = 0;
    int height = 0;
    bool fullRange = false;  // samples use 0..255 (JPEG range) rather than 16..235
};

// Converts into out (rows of width * 3 bytes, blue, green, red) with libyuv: I420ToRGB24 for
// limited range and J420ToRGB24 for full range, so a full-range picture keeps its blacks and
// whites. Returns false, writing nothing, when the picture needs more than outBytes.
bool ConvertToBgr(const PlanarPicture& picture, uint8_t* out, int64_t outBytes);

}  // namespace vyr
