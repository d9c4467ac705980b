// Where the decode thread presents live frames: the live-video area of the main window, or a test
// or diagnostic sink. DrawRgbFrame is called on the decode thread for every frame shown and must
// not wait for anything: the picture is copied (or dropped in favour of a newer one) and painted
// later on the sink's own thread, stretched over its whole area.
#pragma once

#include <cstdint>

namespace vyr {

class FrameSink {
public:
    virtual ~FrameSink() = default;

    // bgr: top-down rows of width * 3 bytes, each pixel blue, green, red; valid only during the
    // call.
    virtual void DrawRgbFrame(const uint8_t* bgr, int width, int height) = 0;
};

}  // namespace vyr
