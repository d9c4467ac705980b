// Marker walk over concatenated JPEGs; see jpeg_split.h.
#include "tools/camsim/jpeg_split.h"

#include <optional>

namespace vyr::camsim {

namespace {

// Given the offset of an FF D8, returns the offset just past the matching FF D9, or nothing when
// the JPEG is cut short or malformed.
std::optional<size_t> EndOfJpeg(std::span<const uint8_t> d, size_t start) {
    size_t i = start + 2;
    while (true) {
        if (i >= d.size() || d[i] != 0xFF) {
            return std::nullopt;
        }
        while (i < d.size() && d[i] == 0xFF) {  // fill bytes before a marker
            ++i;
        }
        if (i >= d.size()) {
            return std::nullopt;
        }
        const uint8_t marker = d[i++];
        if (marker == 0xD9) {
            return i;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue;  // markers without a length
        }
        if (i + 2 > d.size()) {
            return std::nullopt;
        }
        const size_t length = size_t{d[i]} << 8 | d[i + 1];
        if (length < 2 || i + length > d.size()) {
            return std::nullopt;
        }
        i += length;
        if (marker != 0xDA) {
            continue;
        }
        // Entropy-coded data runs to the first marker that is neither a stuffed 00 nor a restart.
        while (true) {
            if (i + 1 >= d.size()) {
                return std::nullopt;
            }
            if (d[i] == 0xFF && d[i + 1] != 0x00 && !(d[i + 1] >= 0xD0 && d[i + 1] <= 0xD7)) {
                break;
            }
            ++i;
        }
    }
}

}  // namespace

std::vector<std::vector<uint8_t>> SplitJpegs(std::span<const uint8_t> data) {
    std::vector<std::vector<uint8_t>> jpegs;
    size_t i = 0;
    while (i + 1 < data.size()) {
        if (data[i] != 0xFF || data[i + 1] != 0xD8) {
            ++i;
            continue;
        }
        const std::optional<size_t> end = EndOfJpeg(data, i);
        if (!end) {
            break;
        }
        jpegs.emplace_back(data.begin() + static_cast<ptrdiff_t>(i),
                           data.begin() + static_cast<ptrdiff_t>(*end));
        i = *end;
    }
    return jpegs;
}

}  // namespace vyr::camsim
