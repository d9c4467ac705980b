// Marker scan state machine: 0 nothing, 1 after SOI, 2 after a frame header, 3 after scan
// data. Frame headers count only after SOI, a scan only after a frame header, restart markers
// only after scan data; out of place they are skipped as two-byte markers, so stray bytes in a
// damaged stream cannot start decoding with an unknown frame.
#include "video/jpeg/marker_scan.h"

#include <algorithm>
#include <cstring>

#include "video/jpeg/decoder_context.h"
#include "video/jpeg/entropy_segment.h"
#include "video/jpeg/jpeg_decoder.h"
#include "video/jpeg/marker_segments.h"

namespace vyr::jpeg {
namespace {

constexpr uint8_t kSof0 = 0xC0;
constexpr uint8_t kDht = 0xC4;
constexpr uint8_t kDac = 0xCC;
constexpr uint8_t kRst0 = 0xD0;
constexpr uint8_t kRst7 = 0xD7;
constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kDqt = 0xDB;
constexpr uint8_t kDnl = 0xDC;
constexpr uint8_t kDri = 0xDD;
constexpr uint8_t kApp0 = 0xE0;
constexpr size_t kDnlSkipBytes = 4;

// A marker segment with a length field. `body` follows the length field; `end` is the
// position after the segment. A length below 2 is malformed and covers the length field only.
struct Segment {
    const uint8_t* body = nullptr;
    size_t bodyBytes = 0;
    size_t end = 0;
    bool isMalformed = false;
};

// Reads the segment at data[position]; false when its length field or body runs past the end.
bool ReadSegment(const uint8_t* data, size_t length, size_t position, Segment* segment) {
    if (length - position < 2) {
        return false;
    }
    const size_t declared = static_cast<size_t>(data[position] << 8 | data[position + 1]);
    segment->isMalformed = declared < 2;
    const size_t total = std::max<size_t>(declared, 2);
    if (length - position < total) {
        return false;
    }
    segment->body = data + position + 2;
    segment->bodyBytes = total - 2;
    segment->end = position + total;
    return true;
}

// Copies and decodes the entropy-coded segment at data[position]; returns where it ended.
size_t DecodeSegmentAt(JpegDecoder& decoder, const uint8_t* data, size_t length, size_t position) {
    size_t segmentBytes = 0;
    const size_t end = CopyEntropySegment(decoder, data, length, position, &segmentBytes);
    DecodeEntropySegment(decoder, segmentBytes);
    return end;
}

}  // namespace

ScanOutcome RunMarkerScan(JpegDecoder& decoder, const uint8_t* data, size_t length) {
    ScanOutcome outcome;
    ScanState& state = outcome.state;
    size_t position = 0;
    while (position < length) {
        const void* prefix = std::memchr(data + position, 0xFF, length - position);
        if (prefix == nullptr) {
            break;
        }
        position = static_cast<size_t>(static_cast<const uint8_t*>(prefix) - data) + 1;
        while (position < length && data[position] == 0xFF) {
            ++position;
        }
        if (position >= length) {
            break;
        }
        const uint8_t code = data[position++];
        Segment segment;

        if (code == kSoi) {
            state = ScanState::kAfterStart;
        } else if (code == kSof0) {
            if (state != ScanState::kAfterStart) {
                continue;  // out of place: skipped as a two-byte marker
            }
            if (!ReadSegment(data, length, position, &segment)) {
                break;
            }
            const int error = ParseFrameHeader(decoder, segment.body, segment.bodyBytes);
            if (error != JPEG_ERROR_NONE) {
                decoder.errorCode = error;
                break;
            }
            state = ScanState::kAfterFrame;
            position = segment.end;
        } else if (code == kDht || code == kDqt) {
            if (!ReadSegment(data, length, position, &segment)) {
                break;
            }
            const bool isValid =
                !segment.isMalformed &&
                (code == kDht ? ParseHuffmanTables(decoder, segment.body, segment.bodyBytes)
                              : ParseQuantTables(decoder, segment.body, segment.bodyBytes));
            if (!isValid) {
                decoder.errorCode =
                    code == kDht ? JPEG_ERROR_HUFFMAN_TABLE : JPEG_ERROR_QUANT_TABLE;
                break;
            }
            position = segment.end;
        } else if (code > kSof0 && code <= 0xCF) {
            // Other frame types (extended, progressive, lossless, arithmetic) and DAC.
            static_assert(kDac <= 0xCF);
            decoder.errorCode = JPEG_ERROR_UNSUPPORTED;
            outcome.hasFailedAtOnce = true;
            return outcome;
        } else if (code == kDri) {
            if (length - position >= 2 && (data[position] << 8 | data[position + 1]) != 4) {
                decoder.errorCode = JPEG_ERROR_RESTART_LENGTH;
                outcome.hasFailedAtOnce = true;
                return outcome;
            }
            if (!ReadSegment(data, length, position, &segment)) {
                break;
            }
            const int interval = segment.body[0] << 8 | segment.body[1];
            decoder.isRestartFromDri = interval != 0;
            if (interval != 0) {
                decoder.restartInterval = interval;
            } else {
                // No restart interval: the whole picture is one, once the frame is known.
                const bool isFrameKnown = state >= ScanState::kAfterFrame;
                decoder.restartInterval = isFrameKnown ? static_cast<int>(decoder.totalMcus) : 0;
            }
            position = segment.end;
        } else if (code == kDnl) {
            position += std::min(kDnlSkipBytes, length - position);
        } else if (code == kSos) {
            if (state != ScanState::kAfterFrame) {
                continue;  // skipped as a two-byte marker
            }
            if (!ReadSegment(data, length, position, &segment) ||
                !ParseScanHeader(decoder, segment.body, segment.bodyBytes)) {
                break;
            }
            decoder.nextMcu = 0;
            position = DecodeSegmentAt(decoder, data, length, segment.end);
            state = ScanState::kAfterScanData;
        } else if (code >= kRst0 && code <= kRst7) {
            if (state == ScanState::kAfterScanData) {
                position = DecodeSegmentAt(decoder, data, length, position);
            }
        } else if (code == kEoi) {
            break;
        } else if (code >= kApp0) {
            if (!ReadSegment(data, length, position, &segment)) {
                break;
            }
            position = segment.end;
        }
        // Anything else below 0xE0 (including a stuffed 0x00) is skipped as a two-byte marker.
    }
    return outcome;
}

}  // namespace vyr::jpeg
