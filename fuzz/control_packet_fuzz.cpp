// Fuzz target of the control packet: the whole input is one read of the control connection. Only
// exactly ten bytes parse, and then the fields must be the packet's own bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "link/control_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vyr::ControlPacket packet;
    const int length = size > 20000 ? 20000 : static_cast<int>(size);
    if (!vyr::ParseControlPacket(data, length, &packet)) {
        return 0;
    }
    if (size != 10 || packet.param1 != data[6] || packet.param2 != data[7] ||
        packet.command != (data[8] | data[9] << 8)) {
        std::abort();
    }
    return 0;
}
