// The camera's button commands: a packet of exactly 10 bytes received in one read, with the two
// parameter bytes at offsets 6 and 7 and the uint16 command code (little-endian) at offset 8.
// Bytes 0 to 5 are not read.
#pragma once

#include <cstdint>

namespace vyr {

inline constexpr int kControlPacketBytes = 10;
// One read takes up to this many bytes, so that a longer packet is seen as longer and dropped.
inline constexpr int kControlReadBytes = 10240;

enum ControlCommand : uint16_t {
    kCommandRelease = 0,     // unfreeze, drop a pending snapshot
    kCommandCapture = 1,     // freeze and take a snapshot
    kCommandDeleteLast = 4,  // delete the picture the camera uploaded last
    kCommandShowNone = 5,    // show no picture
    kCommandDeleteAll = 6,   // delete all of the patient's pictures
};

struct ControlPacket {
    uint8_t param1 = 0;
    uint8_t param2 = 0;
    uint16_t command = 0;
};

// Reads a packet from the bytes of one read. Returns false, leaving *packet alone, unless length
// is exactly 10 (any other length is dropped whole).
bool ParseControlPacket(const uint8_t* data, int length, ControlPacket* packet);

}  // namespace vyr
