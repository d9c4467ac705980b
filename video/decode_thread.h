// The decode thread of the camera link: waits until the stream thread has identified the camera,
// then runs the frame path for the stream kind it found. Blocks of an earlier connection are
// dropped by ReceiveRing's generations. The Motion-JPEG path starts afresh at each new connection
// (a new camera may send another size) and hands over to the H.264 path when the new connection
// carries H.264; the H.264 path takes in-band parameter sets and runs until the link stops.
#pragma once

namespace vyr {

struct LinkShared;

void DecodeThread(LinkShared& link);

}  // namespace vyr
