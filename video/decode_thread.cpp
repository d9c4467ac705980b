// Chooses the frame path once identification has settled mjpegMode.
#include "video/decode_thread.h"

#include "linkstate/link_shared.h"
#include "video/h264_frame_path.h"
#include "video/jpeg_frame_path.h"

namespace vyr {

void DecodeThread(LinkShared& link) {
    if (!link.identification.Wait(link.stopRequested)) {
        return;  // stopped, or the camera could not be identified: there will be no stream
    }
    if (Globals().mjpegMode.load() != 0) {
        JpegFramePath(link);
    } else {
        H264FramePath(link);
    }
}

}  // namespace vyr
