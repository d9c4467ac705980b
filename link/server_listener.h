// What the control server and the picture server share: the listening socket (SO_REUSEADDR,
// backlog 10), the accept that lets only the camera in, and a pause that a stop cuts short.
#pragma once

#include <cstdint>

namespace vyr {

struct LinkShared;
class SocketSlot;

// Opens a listener on port (0 picks a free one) and registers it in slot; *boundPort receives the
// port actually bound. Listeners bind to every local address, or to 127.0.0.1 only in
// loopback-only builds so that no test server is reachable from the network.
// Returns the descriptor, or -1 (nothing registered) when the socket, SO_REUSEADDR, bind or listen
// failed.
int OpenServerListener(uint16_t port, SocketSlot& slot, uint16_t* boundPort);

// Waits for the next connection and returns it when it comes from the camera's address
// (link.deviceIp), after printing "[TCP Connection From %s:%d].\n", with a receive time-out of
// link.serverReceiveTimeoutMs (a recv that waits longer fails, and the server closes the
// connection) and TCP keepalive. A connection from any other
// address is closed at once, printed as refused and counted. Returns -1 when accept failed (a
// stop shuts the listener down) or the connection was refused; the caller tests the stop flag.
int AcceptFromCamera(LinkShared& link, int listener);

// Sleeps milliseconds in short steps, returning early when the link's stop flag is set.
void PauseUnlessStopped(const LinkShared& link, int milliseconds);

}  // namespace vyr
