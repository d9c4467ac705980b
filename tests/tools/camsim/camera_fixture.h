// Shared pieces of the camera tests: a configuration on ports the kernel picks, the client's model
// request, and the check of the test pattern's colours in a decoded picture.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "decode_oracle.h"
#include "tools/camsim/camera.h"
#include "tools/camsim/test_pattern.h"

namespace vyr::camsim {

using namespace std::chrono_literals;

// Small, unpaced and quick to encode; tests change what they look at.
inline CameraConfig TestConfig(StreamKind kind = StreamKind::H264) {
    CameraConfig config;
    config.modelPort = 0;
    config.streamPort = 0;
    config.streamKind = kind;
    config.width = 320;
    config.height = 240;
    config.fps = 0;
    config.loopFrames = 6;
    config.gopFrames = 3;
    config.requestTimeout = 2000ms;
    return config;
}

inline std::vector<uint8_t> ModelRequest() {
    std::vector<uint8_t> request(60, 0);
    request[0] = 10;
    request[2] = 2;
    return request;
}

// Flat patches survive x264 at CRF 18 and JPEG at quality 3 within a few levels, and the
// conversion back to RGB rounds; 10 levels leave room for that while a colour range read the
// wrong way moves the greys 32 and 224 by 13 to 18 levels and the primaries much further.
inline constexpr int kColourTolerance = 10;

inline void ExpectPatternColours(const test::DecodedPicture& picture, const std::string& what) {
    for (const PatternPatch& patch : TestPatternPatches(picture.width, picture.height)) {
        const Rgb seen = picture.Mean(patch.x, patch.y, patch.width, patch.height);
        EXPECT_LE(test::ColourDistance(seen, patch.colour), kColourTolerance)
            << what << ": " << patch.name << " is " << test::ToText(seen) << ", expected "
            << test::ToText(patch.colour);
    }
}

}  // namespace vyr::camsim
