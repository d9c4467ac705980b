// The marker scan of one decode call: walks the data from marker to marker, parses headers and
// tables, and decodes each entropy-coded segment as it is reached.
#pragma once

#include <cstddef>
#include <cstdint>

struct JpegDecoder;

namespace vyr::jpeg {

enum class ScanState { kNothing = 0, kAfterStart = 1, kAfterFrame = 2, kAfterScanData = 3 };

struct ScanOutcome {
    ScanState state = ScanState::kNothing;
    bool hasFailedAtOnce = false;  // a marker that fails the picture whatever the state
};

// Scans data[0..length): skips bytes before each marker, treats a run of 0xFF bytes as one
// marker prefix, and handles SOI, SOF0, DHT, DQT, DRI, DNL, SOS, RSTn, EOI, the other frame
// types (error 1, fail at once), the APPn/COM range (skipped by length) and the rest (skipped
// as two-byte markers). Stops at EOI, at a header or table error (storing its code in the
// decoder), or at the end of the data. A segment whose length runs past the end of the data
// is the end of the data.
ScanOutcome RunMarkerScan(JpegDecoder& decoder, const uint8_t* data, size_t length);

}  // namespace vyr::jpeg
