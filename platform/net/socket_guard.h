// The one place where the program opens TCP connections. In loopback-only builds (the default on
// development and test machines, VYR_LOOPBACK_ONLY) a connection to any address outside
// 127.0.0.0/8 is refused before a packet can leave, and the refusal is printed on stderr.
// Product packages are built with -DVYR_LOOPBACK_ONLY=OFF.
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace vyr {

// True when this build refuses destinations outside loopback.
bool IsLoopbackOnlyBuild();

// True for addresses in 127.0.0.0/8 (network byte order in, as in sockaddr_in).
bool IsLoopbackAddress(in_addr address);

// The guard's rule for one destination: false (and the refusal printed on stderr) when this build
// refuses it. For connections that a library opens itself (the DICOM toolkit), checked before the
// library is given the address.
bool IsDestinationAllowed(const sockaddr_in& destination);

// connect(2) through the guard. Returns 0, or -1 with errno set (EACCES when the guard refused;
// nothing is sent then). Interrupted connects are resumed.
int GuardedConnect(int fd, const sockaddr_in& destination);

// Parses a dotted IPv4 address and a port into *out. Returns false for anything else.
bool MakeIpv4Address(const char* dotted, uint16_t port, sockaddr_in* out);

}  // namespace vyr
