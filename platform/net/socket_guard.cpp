// Loopback guard for outgoing connections; see socket_guard.h.
#include "platform/net/socket_guard.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vyr {

bool IsLoopbackOnlyBuild() {
#if defined(VYR_LOOPBACK_ONLY) && VYR_LOOPBACK_ONLY
    return true;
#else
    return false;
#endif
}

bool IsLoopbackAddress(in_addr address) {
    return (ntohl(address.s_addr) >> 24) == 127;
}

bool MakeIpv4Address(const char* dotted, uint16_t port, sockaddr_in* out) {
    if (dotted == nullptr || out == nullptr) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, dotted, &address.sin_addr) != 1) {
        return false;
    }
    *out = address;
    return true;
}

bool IsDestinationAllowed(const sockaddr_in& destination) {
    if (IsLoopbackOnlyBuild() && !IsLoopbackAddress(destination.sin_addr)) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &destination.sin_addr, text, sizeof text);
        std::fprintf(stderr, "socket guard: refused connection to %s:%u outside 127.0.0.0/8\n",
                     text, ntohs(destination.sin_port));
        return false;
    }
    return true;
}

int GuardedConnect(int fd, const sockaddr_in& destination) {
    if (!IsDestinationAllowed(destination)) {
        errno = EACCES;
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&destination), sizeof destination) == 0) {
        return 0;
    }
    if (errno != EINTR) {
        return -1;
    }
    // An interrupted connect goes on in the background; wait for its outcome.
    pollfd waiting{fd, POLLOUT, 0};
    while (::poll(&waiting, 1, -1) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        errno = error != 0 ? error : errno;
        return -1;
    }
    return 0;
}

}  // namespace vyr
