// Chooses the frame path once identification has settled mjpegMode, and again when the
// Motion-JPEG path hands over to H.264 after a reconnection.
#include "video/decode_thread.h"

#include "linkstate/link_shared.h"
#include "video/h264_frame_path.h"
#include "video/jpeg_frame_path.h"

namespace vyr {

void DecodeThread(LinkShared& link) {
    while (link.stopRequested.load() == 0) {
        if (!link.identification.Wait(link.stopRequested)) {
            return;  // stopped before the camera was identified
        }
        // The Motion-JPEG path also returns when a new connection brings an H.264 stream.
        if (Globals().mjpegMode.load() != 0) {
            JpegFramePath(link);
        } else {
            H264FramePath(link);
        }
    }
}

}  // namespace vyr
