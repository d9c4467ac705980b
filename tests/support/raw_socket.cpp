// Plain-socket connections for the link's socket tests; see raw_socket.h.
#include "support/raw_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/net/socket_guard.h"

namespace vyr::test {

Socket::~Socket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool Socket::SendAll(const std::vector<uint8_t>& bytes) const {
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t put = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put <= 0) {
            return false;
        }
        sent += static_cast<size_t>(put);
    }
    return true;
}

bool Socket::ClosedByPeerWithin(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    uint8_t buffer[16384];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) {
            return true;
        }
    }
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

}  // namespace vyr::test
