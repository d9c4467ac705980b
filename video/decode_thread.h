// The decode thread of the camera link: waits until the stream thread has identified the camera,
// then runs the frame path for the stream kind it found. Each stream connection is a generation
// of ReceiveRing (ffplay's "serial"): blocks of an earlier connection are dropped by the ring, and
// a frame path returns when a new connection starts, so that the decode thread starts the path
// afresh for it: a fresh decoder and parser, the display size fixed again, and the path chosen
// again by the kind the new identification found.
#pragma once

namespace vyr {

struct LinkShared;

void DecodeThread(LinkShared& link);

}  // namespace vyr
