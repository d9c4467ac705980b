// Plain-socket connections for the link's socket tests; see raw_socket.h.
#include "support/raw_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/net/socket_guard.h"

namespace vyr::test {

Socket::~Socket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool Socket::ClosedByPeerWithin(std::chrono::milliseconds timeout) const {
    const timeval wait{timeout.count() / 1000, timeout.count() % 1000 * 1000};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    uint8_t buffer[4096];
    ssize_t got = 0;
    while ((got = ::recv(fd_, buffer, sizeof buffer, 0)) > 0) {
    }
    return got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);  // not the time-out
}

Socket ConnectTo(const std::string& fromAddress, uint16_t fromPort, const std::string& address,
                 uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    sockaddr_in remote{};
    if (!vyr::MakeIpv4Address(fromAddress.c_str(), fromPort, &local) ||
        !vyr::MakeIpv4Address(address.c_str(), port, &remote) ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        vyr::GuardedConnect(fd, remote) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return Socket();
    }
    return Socket(fd);
}

Listener::Listener() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (socket_.valid() && vyr::MakeIpv4Address("127.0.0.1", 0, &local) &&
        ::bind(socket_.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
        ::listen(socket_.fd(), 8) == 0 &&
        ::getsockname(socket_.fd(), reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        port_ = ntohs(local.sin_port);
    }
}

}  // namespace vyr::test
