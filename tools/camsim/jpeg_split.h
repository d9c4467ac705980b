// Cuts a Motion-JPEG file (JPEG files back to back) into its JPEGs by walking the marker segments,
// so that an FF D8 inside an embedded thumbnail or a segment does not start a false frame.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vyr::camsim {

// The complete JPEGs (start-of-image to end-of-image) in data, in order. Bytes between JPEGs are
// skipped; a truncated or malformed last JPEG is dropped.
std::vector<std::vector<uint8_t>> SplitJpegs(std::span<const uint8_t> data);

}  // namespace vyr::camsim
