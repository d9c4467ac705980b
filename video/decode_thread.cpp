// Chooses the frame path once identification has settled mjpegMode, and again for each new
// stream connection.
#include "video/decode_thread.h"

#include <chrono>
#include <thread>

#include "linkstate/link_shared.h"
#include "video/h264_frame_path.h"
#include "video/jpeg_frame_path.h"

namespace vyr {

void DecodeThread(LinkShared& link) {
    while (link.stopRequested.load() == 0) {
        if (!link.identification.Wait(link.stopRequested)) {
            return;  // stopped before the camera was identified
        }
        const uint32_t generation = Globals().receiveRing.generation();
        if (Globals().mjpegMode.load() != 0) {
            JpegFramePath(link);
        } else {
            H264FramePath(link);
        }
        // A path that gave up (its decoder could not be opened) waits for the next connection
        // rather than starting again on the same stream.
        while (link.stopRequested.load() == 0 && Globals().receiveRing.generation() == generation) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace vyr
