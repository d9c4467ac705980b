// Sends the frame loop over one stream connection, paced by the steady clock or as fast as the
// connection takes it. H.264 goes out as one continuous byte stream cut into 4096-byte units (a
// unit holds the end of one picture and the start of the next; the tail of a picture waits for
// the next picture to fill its unit). Motion-JPEG goes out as the 4096-byte blocks of each JPEG.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "tools/camsim/frame_loop.h"
#include "tools/camsim/socket_io.h"

namespace vyr::camsim {

struct SendHooks {
    // A frame's last byte has been handed to the socket.
    std::function<void(uint64_t frameIndex, std::chrono::steady_clock::time_point)> frameSent;
    // Bytes handed to the socket.
    std::function<void(size_t bytes)> bytesSent;
};

// The faults of CameraConfig that act on one connection (0: off).
struct StreamFaults {
    int closeAfterFrames = 0;
    int stallAfterFrames = 0;
    int restartAfterFrames = 0;  // H.264 only
};

// Sends frames of loop (starting at its first frame, wrapping around) until the connection ends,
// the wake signal fires or a new connection waits; returns which. fps 0 sends unpaced. With
// faults: Closed after closeAfterFrames frames (the caller closes the connection; bytes of a
// unit not yet filled are lost, as with a camera that goes away), or, after stallAfterFrames
// frames, nothing more until the connection ends.
IoStatus SendFrameLoop(int fd, const FrameLoop& loop, double fps, const Watch& watch,
                       const SendHooks& hooks, const StreamFaults& faults = {});

}  // namespace vyr::camsim
