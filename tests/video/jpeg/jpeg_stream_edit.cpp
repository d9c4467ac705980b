// Marker walking for the test stream edits (see jpeg_stream_edit.h). Only used on streams made
// by libjpeg-turbo, so it trusts their lengths but still stops at the end of the data.
#include "tests/video/jpeg/jpeg_stream_edit.h"

#include <stdexcept>

namespace vyr::test {

std::vector<MarkerSegment> ListSegments(const std::vector<uint8_t>& jpeg) {
    std::vector<MarkerSegment> segments;
    size_t position = 0;
    bool isInScanData = false;
    while (position + 1 < jpeg.size()) {
        if (jpeg[position] != 0xFF || jpeg[position + 1] == 0x00 || jpeg[position + 1] == 0xFF) {
            if (!isInScanData && jpeg[position] != 0xFF) {
                throw std::runtime_error("unexpected byte outside scan data");
            }
            position += (jpeg[position] == 0xFF) ? 2 : 1;
            continue;
        }
        const uint8_t code = jpeg[position + 1];
        const bool hasLength = !(code == 0xD8 || code == 0xD9 || (code >= 0xD0 && code <= 0xD7));
        size_t size = 2;
        if (hasLength) {
            size += static_cast<size_t>(jpeg.at(position + 2) << 8 | jpeg.at(position + 3));
        }
        segments.push_back({code, position, size});
        isInScanData = code == 0xDA || (code >= 0xD0 && code <= 0xD7 && isInScanData);
        position += size;
    }
    return segments;
}

MarkerSegment FindSegment(const std::vector<uint8_t>& jpeg, uint8_t code, int nth) {
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code && nth-- == 0) {
            return segment;
        }
    }
    throw std::runtime_error("marker not found");
}

MarkerSegment FindRestartMarker(const std::vector<uint8_t>& jpeg, int nth) {
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code >= 0xD0 && segment.code <= 0xD7 && nth-- == 0) {
            return segment;
        }
    }
    throw std::runtime_error("restart marker not found");
}

int CountRestartMarkers(const std::vector<uint8_t>& jpeg) {
    int count = 0;
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        count += (segment.code >= 0xD0 && segment.code <= 0xD7) ? 1 : 0;
    }
    return count;
}

std::vector<uint8_t> RemoveSegments(const std::vector<uint8_t>& jpeg, uint8_t code) {
    std::vector<uint8_t> result;
    size_t copiedUpTo = 0;
    for (const MarkerSegment& segment : ListSegments(jpeg)) {
        if (segment.code == code) {
            result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(copiedUpTo),
                          jpeg.begin() + static_cast<ptrdiff_t>(segment.offset));
            copiedUpTo = segment.offset + segment.size;
        }
    }
    result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(copiedUpTo), jpeg.end());
    return result;
}

std::vector<uint8_t> InsertBefore(const std::vector<uint8_t>& jpeg, uint8_t code,
                                  const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> result = jpeg;
    const auto at = static_cast<ptrdiff_t>(FindSegment(jpeg, code).offset);
    result.insert(result.begin() + at, bytes.begin(), bytes.end());
    return result;
}

std::vector<uint8_t> RestartIntervalSegment(int interval) {
    return {0xFF,
            0xDD,
            0x00,
            0x04,
            static_cast<uint8_t>(interval >> 8),
            static_cast<uint8_t>(interval & 0xFF)};
}

uint8_t& BodyByte(std::vector<uint8_t>& jpeg, uint8_t code, size_t index) {
    return jpeg.at(FindSegment(jpeg, code).offset + 4 + index);
}

}  // namespace vyr::test
