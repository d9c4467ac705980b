// The camera's moving test pattern, drawn straight into 4:2:0 planes. The upper 55 % holds eight
// still colour bars (white, red, green, blue, black, dark grey 32, light grey 224, cyan) that a
// test can find after decoding; below them a yellow box moves across a grey field from picture to
// picture, a four-digit picture counter sits in the bottom-left corner, and a strip of changing
// noise in the bottom-right corner gives the encoder a camera's amount of work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyr::camsim {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

// A rectangle of the pattern that has one colour in every picture.
struct PatternPatch {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Rgb colour;
};

// Where the pattern's still patches are in a picture of this size (even sizes of at least 64 x 64).
std::vector<PatternPatch> TestPatternPatches(int width, int height);

struct Yuv {
    uint8_t y = 0;
    uint8_t u = 0;
    uint8_t v = 0;
};

// ITU-R BT.601 conversion; limited range puts black at Y 16 and white at 235, full range at 0
// and 255.
Yuv RgbToYuv(Rgb colour, bool fullRange);

// Writable 4:2:0 planes with their line sizes.
struct Yuv420Planes {
    uint8_t* y = nullptr;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    int yStride = 0;
    int uStride = 0;
    int vStride = 0;
    int width = 0;   // even
    int height = 0;  // even
};

// Draws picture number pictureNumber of the pattern.
void DrawTestPattern(int pictureNumber, bool fullRange, const Yuv420Planes& planes);

}  // namespace vyr::camsim
