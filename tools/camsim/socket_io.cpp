// Poll-driven socket helpers of the simulated camera; see socket_io.h. Every wait polls the wake
// eventfd too, so Stop never waits for a silent peer.
#include "tools/camsim/socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/net/socket_guard.h"

namespace vyr::camsim {

namespace {

using Clock = std::chrono::steady_clock;

enum class Ready { Socket, Stopped, Superseded, TimedOut, Error };

// Waits for events on fd (or only on the watch when fd is -1) until deadline.
Ready WaitReady(int fd, short events, std::optional<Clock::time_point> deadline,
                const Watch& watch) {
    while (true) {
        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        const int wakeAt = watch.wake != nullptr ? static_cast<int>(count++) : -1;
        if (wakeAt >= 0) {
            fds[static_cast<size_t>(wakeAt)] = {watch.wake->fd(), POLLIN, 0};
        }
        const int listenerAt = watch.listener >= 0 ? static_cast<int>(count++) : -1;
        if (listenerAt >= 0) {
            fds[static_cast<size_t>(listenerAt)] = {watch.listener, POLLIN, 0};
        }
        const int socketAt = fd >= 0 ? static_cast<int>(count++) : -1;
        if (socketAt >= 0) {
            fds[static_cast<size_t>(socketAt)] = {fd, events, 0};
        }
        timespec timeout{};
        timespec* timeoutPointer = nullptr;
        if (deadline) {
            const auto left = std::max(Clock::duration::zero(), *deadline - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            timeoutPointer = &timeout;
        }
        const int result = ::ppoll(fds.data(), count, timeoutPointer, nullptr);
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Ready::Error;
        }
        if (wakeAt >= 0 && fds[static_cast<size_t>(wakeAt)].revents != 0) {
            return Ready::Stopped;
        }
        if (listenerAt >= 0 && fds[static_cast<size_t>(listenerAt)].revents != 0) {
            return Ready::Superseded;
        }
        if (socketAt >= 0 && fds[static_cast<size_t>(socketAt)].revents != 0) {
            return Ready::Socket;
        }
        if (result == 0) {
            return Ready::TimedOut;
        }
    }
}

IoStatus FromReady(Ready ready) {
    switch (ready) {
        case Ready::Stopped:
            return IoStatus::Stopped;
        case Ready::Superseded:
            return IoStatus::Superseded;
        case Ready::TimedOut:
            return IoStatus::TimedOut;
        case Ready::Error:
            return IoStatus::Closed;
        case Ready::Socket:
            break;
    }
    return IoStatus::Ok;
}

void MakeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

}  // namespace

WakeSignal::WakeSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void WakeSignal::Signal() {
    const uint64_t one = 1;
    // The counter only grows, so the descriptor stays readable for every poller; a full counter
    // (EAGAIN) is readable too.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

bool WakeSignal::IsSignalled() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

const char* IoStatusName(IoStatus status) {
    switch (status) {
        case IoStatus::Ok:
            return "ok";
        case IoStatus::Closed:
            return "connection closed";
        case IoStatus::Stopped:
            return "stopped";
        case IoStatus::Superseded:
            return "a new connection took over";
        case IoStatus::TimedOut:
            return "timed out";
    }
    return "?";
}

bool ResolveCameraAddress(const std::string& dotted, uint16_t port, sockaddr_in* out,
                          std::string* error) {
    if (!vyr::MakeIpv4Address(dotted.c_str(), port, out)) {
        *error = "not an IPv4 address: " + dotted;
        return false;
    }
    if (vyr::IsLoopbackOnlyBuild() && !vyr::IsLoopbackAddress(out->sin_addr)) {
        *error = "refused: " + dotted + " lies outside 127.0.0.0/8 and this build is loopback-only";
        return false;
    }
    return true;
}

int BindListener(const std::string& address, uint16_t port, std::string* error) {
    sockaddr_in local{};
    if (!ResolveCameraAddress(address, port, &local, error)) {
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error =
            "cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

bool Listen(int fd, std::string* error) {
    if (::listen(fd, 8) != 0) {
        *error =
            "cannot listen on port " + std::to_string(LocalPort(fd)) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int OpenListener(const std::string& address, uint16_t port, std::string* error) {
    const int fd = BindListener(address, port, error);
    if (fd >= 0 && !Listen(fd, error)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

IoStatus SleepUntil(std::chrono::steady_clock::time_point deadline, const WakeSignal& wake) {
    return WaitReady(-1, 0, deadline, Watch{&wake, -1}) == Ready::Stopped ? IoStatus::Stopped
                                                                          : IoStatus::Ok;
}

uint16_t LocalPort(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

int AcceptConnection(int listener, Peer* peer) {
    sockaddr_in remote{};
    socklen_t length = sizeof remote;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&remote), &length,
                             SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &remote.sin_addr, text, sizeof text);
    if (peer != nullptr) {
        *peer = Peer{text, ntohs(remote.sin_port)};
    }
    MakeNonBlocking(fd);
    return fd;
}

IoStatus WaitForConnection(int listener, const WakeSignal& wake) {
    return FromReady(WaitReady(listener, POLLIN, std::nullopt, Watch{&wake, -1}));
}

IoStatus ReceiveExact(int fd, uint8_t* data, size_t n, std::chrono::milliseconds timeout,
                      const Watch& watch) {
    const auto deadline = Clock::now() + timeout;
    size_t received = 0;
    while (received < n) {
        const ssize_t got = ::recv(fd, data + received, n - received, MSG_DONTWAIT);
        if (got > 0) {
            received += static_cast<size_t>(got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return IoStatus::Closed;
        }
        const IoStatus status = FromReady(WaitReady(fd, POLLIN, deadline, watch));
        if (status != IoStatus::Ok) {
            return status;
        }
    }
    return IoStatus::Ok;
}

IoStatus SendAll(int fd, const uint8_t* data, size_t n, const Watch& watch) {
    size_t sent = 0;
    while (sent < n) {
        const ssize_t put = ::send(fd, data + sent, n - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            sent += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return IoStatus::Closed;
        }
        const IoStatus status = FromReady(WaitReady(fd, POLLOUT, std::nullopt, watch));
        if (status != IoStatus::Ok) {
            return status;
        }
    }
    return IoStatus::Ok;
}

IoStatus IdleUntil(int fd, Clock::time_point deadline, const Watch& watch) {
    std::array<uint8_t, 4096> discard{};
    while (true) {
        const IoStatus status = FromReady(WaitReady(fd, POLLIN, deadline, watch));
        if (status == IoStatus::TimedOut) {
            return IoStatus::Ok;
        }
        if (status != IoStatus::Ok) {
            return status;
        }
        const ssize_t got = ::recv(fd, discard.data(), discard.size(), MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return IoStatus::Closed;
        }
    }
}

IoStatus CheckWatch(const Watch& watch) {
    const IoStatus status = FromReady(WaitReady(-1, 0, Clock::now(), watch));
    return status == IoStatus::TimedOut ? IoStatus::Ok : status;
}

void CloseGracefully(int fd, std::chrono::milliseconds timeout, const WakeSignal& wake) {
    if (fd < 0) {
        return;
    }
    ::shutdown(fd, SHUT_WR);
    IdleUntil(fd, Clock::now() + timeout, Watch{&wake, -1});
    ::close(fd);
}

void CloseSocket(int* fd) {
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

}  // namespace vyr::camsim
