// Chooses the frame path once identification has settled mjpegMode.
#include "video/decode_thread.h"

#include <chrono>
#include <thread>
#include <vector>

#include "link/link_shared.h"
#include "video/h264_frame_path.h"

namespace vyr {
namespace {

// Motion-JPEG streams are not decoded by this version: their blocks are taken from the ring and
// thrown away, so that the stream thread never finds the ring full. Nothing is drawn.
void DrainReceiveRing(LinkShared& link) {
    std::vector<uint8_t> block(kStreamBlockBytes);
    while (link.stopRequested.load() == 0) {
        if (Globals().receiveRing.TryTakeBlock(block.data()) < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace

void DecodeThread(LinkShared& link) {
    if (!link.identification.Wait(link.stopRequested)) {
        return;  // stopped, or the camera could not be identified: there will be no stream
    }
    if (Globals().mjpegMode.load() != 0) {
        DrainReceiveRing(link);
    } else {
        H264FramePath(link);
    }
}

}  // namespace vyr
