// Stop-aware socket waits with poll(2) over the socket and the wake eventfd; see socket_waits.h.
#include "platform/net/socket_waits.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "platform/net/socket_guard.h"

namespace vyr {
namespace {

using Clock = std::chrono::steady_clock;

// Polls fd for events together with wakeFd until one is ready or timeoutMs pass, resuming after
// signals with the time that is left.
int PollWithWake(int fd, short events, int wakeFd, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ready = ::poll(fds, count, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return kSocketFailed;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            return kSocketStopped;
        }
        if (ready > 0) {
            return kSocketReady;
        }
        return kSocketTimedOut;
    }
}

}  // namespace

WakeFd::WakeFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeFd::~WakeFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WakeFd::Raise() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void WakeFd::Clear() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(fd_, &count, sizeof count);
}

int ConnectWithin(int fd, const sockaddr_in& destination, int wakeFd, int timeoutMs) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = kSocketReady;
    if (GuardedConnect(fd, destination) != 0) {
        if (errno != EINPROGRESS) {
            result = kSocketFailed;
        } else {
            result = PollWithWake(fd, POLLOUT, wakeFd, timeoutMs);
            if (result == kSocketReady) {
                int error = 0;
                socklen_t length = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                    errno = error;
                    result = kSocketFailed;
                }
            }
        }
    }
    const int savedErrno = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = savedErrno;
    return result;
}

int WaitReadable(int fd, int wakeFd, int timeoutMs) {
    return PollWithWake(fd, POLLIN, wakeFd, timeoutMs);
}

int WaitUnlessWoken(int wakeFd, int timeoutMs) {
    return PollWithWake(-1, 0, wakeFd, timeoutMs);
}

int EnableKeepAlive(int fd) {
    const int on = 1;
    const int idleSeconds = 5;
    const int intervalSeconds = 2;
    const int probes = 3;
    const bool ok =
        ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds) == 0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds) ==
            0 &&
        ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) == 0;
    return ok ? 0 : -1;
}

int SetReceiveTimeout(int fd, int timeoutMs) {
    timeval timeout{timeoutMs / 1000, static_cast<suseconds_t>(timeoutMs % 1000) * 1000};
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 ? 0 : -1;
}

}  // namespace vyr
