// The control server: the camera connects to it when its button is pressed and sends one 10-byte
// command. One connection at a time: accept (camera only), one read, close, act.
#pragma once

namespace vyr {

struct LinkShared;
struct ControlPacket;

// Carries out one command: 0 releases the frozen display (event 0), 1 freezes it and asks for a
// snapshot (capture record to OnSnapshot), 4 deletes the picture the picture server named last,
// 5 and 6 are passed on as events 5 and 6; other codes are ignored.
void CarryOutControlCommand(LinkShared& link, const ControlPacket& packet);

// The thread procedure; returns when the link's stop flag is set (Stop shuts the listener down)
// or at once when the listener cannot be set up.
void ControlServer(LinkShared& link);

}  // namespace vyr
