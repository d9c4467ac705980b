// The H.264 frame path: the decode thread for cameras that send an H.264 Annex B byte stream. It
// takes the stream blocks in order, splits them into NAL units, waits for the sequence and picture
// parameter sets, opens the decoder with them, sends every NAL unit as one packet, converts each
// picture to 24-bit BGR and presents it (unless the display is paused), and hands the units to the
// recording thread while a recording is active.
#pragma once

#include <cstdint>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the coded picture size from a sequence parameter set. nal points at the NAL header byte
 * (no start code) and length counts the bytes from there. Emulation-prevention bytes are removed
 * from the unit in place first. Returns 1 and the size (after cropping) when the unit is a
 * sequence parameter set that could be read whole, else 0 (width and height are then 0). */
int ParseSps(uint8_t* nal, int length, int* width, int* height);

#ifdef __cplusplus
}

namespace vyr {

struct LinkShared;

// The thread procedure; returns when the link's stop flag is set or a new connection starts (a
// new ReceiveRing generation).
void H264FramePath(LinkShared& link);

}  // namespace vyr
#endif
