// Control packet layout.
#include "link/control_packet.h"

namespace vyr {

bool ParseControlPacket(const uint8_t* data, int length, ControlPacket* packet) {
    if (data == nullptr || packet == nullptr || length != kControlPacketBytes) {
        return false;
    }
    packet->param1 = data[6];
    packet->param2 = data[7];
    packet->command = static_cast<uint16_t>(data[8] | data[9] << 8);
    return true;
}

}  // namespace vyr
