// The Motion-JPEG frame path: the decode thread for cameras that send one JPEG per frame in
// 4096-byte blocks. It reassembles each frame, hands it to the recording while one is active
// (every JPEG is a key frame), decodes it, converts 4:2:0 pictures to 24-bit BGR for the frame
// sink unless the display is paused, and takes a snapshot when one is requested.
#pragma once

namespace vyr {

struct LinkShared;

// The display size fixed by the first 4:2:0 picture: its height rounded up to a multiple of 16 is
// 1080 or more → 1920 x 1080, otherwise 1280 x 1024.
struct DisplaySize {
    int width = 0;
    int height = 0;
};
DisplaySize DisplaySizeForPicture(int pictureHeight);

// The thread procedure; returns when the link's stop flag is set or a new connection starts (a
// new ReceiveRing generation).
void JpegFramePath(LinkShared& link);

}  // namespace vyr
