// The camera's TCP ports. The defaults are the camera's; tests choose others so that several test
// programs can run side by side.
#pragma once

#include <cstdint>

namespace vyr {

struct LinkPorts {
    uint16_t modelQuery = 40006;  // on the camera: one model request and reply per connection
    uint16_t stream = 40003;      // on the camera (and the local source port): time out, stream in
    uint16_t control = 40004;     // on this machine: the camera's button commands
    uint16_t picture = 40013;     // on this machine: pictures uploaded by the camera
};

}  // namespace vyr
