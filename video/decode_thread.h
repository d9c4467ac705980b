// The decode thread of the camera link: waits until the stream thread has identified the camera,
// then runs the frame path for the stream kind it found.
#pragma once

namespace vyr {

struct LinkShared;

void DecodeThread(LinkShared& link);

}  // namespace vyr
