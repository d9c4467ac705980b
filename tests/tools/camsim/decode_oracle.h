// The outside judge of the camera's pictures: libavcodec's own H.264 parser and decoder (or its
// Motion-JPEG decoder) turn the received bytes into pictures, and swscale converts them to RGB with
// the colour range the stream signals. A stream whose range signalling does not match its samples
// shows up as wrong greys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "tools/camsim/test_pattern.h"

namespace vyr::test {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    bool keyFrame = false;
    std::vector<uint8_t> rgb;  // width * height * 3, top-down, R G B

    // Mean colour over a rectangle.
    camsim::Rgb Mean(int x, int y, int w, int h) const;
};

struct DecodeResult {
    std::vector<DecodedPicture> pictures;
    int errors = 0;  // packets or pictures the decoder refused
};

// Decodes an H.264 Annex B byte stream (all of it, flushing at the end).
DecodeResult DecodeH264(const std::vector<uint8_t>& stream);

// Decodes one JPEG file.
DecodeResult DecodeJpeg(const std::vector<uint8_t>& jpeg);

// Largest channel difference between two colours.
int ColourDistance(camsim::Rgb a, camsim::Rgb b);

// "(r, g, b)" for failure messages.
std::string ToText(camsim::Rgb colour);

}  // namespace vyr::test
