// The recording thread: drains RecordRing into AVI files in {exe dir}/video/. A file starts at a
// key frame while recording is requested, is split every five minutes of local time (on the
// minute field, also across the hour) and ends with the first key frame taken after the stop
// request. Frames are stored as they came: one H.264 picture (with the parameter sets and SEI
// before it) or one JPEG picture per chunk.
#pragma once

namespace vyr {

struct LinkShared;

// The thread procedure; returns when the link's stop flag is set. A file still open then is
// closed properly (index and final header), so no recording is left without its index.
void RecordingThread(LinkShared& link);

}  // namespace vyr
