// Plain-socket client and listener for the camera tests; see raw_socket.h.
#include "support/raw_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/net/socket_guard.h"

namespace vyr::test {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<int64_t>(0, left));
}

}  // namespace

Socket::~Socket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

uint16_t Socket::LocalPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

bool Socket::SendAll(const std::vector<uint8_t>& bytes) const {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t put = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put <= 0) {
            return false;
        }
        sent += static_cast<size_t>(put);
    }
    return true;
}

std::vector<uint8_t> Socket::Receive(size_t n, std::chrono::milliseconds timeout) const {
    const auto deadline = Clock::now() + timeout;
    std::vector<uint8_t> bytes(n);
    size_t received = 0;
    while (received < n) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) {
            break;
        }
        const ssize_t got = ::recv(fd_, bytes.data() + received, n - received, 0);
        if (got <= 0) {
            break;
        }
        received += static_cast<size_t>(got);
    }
    bytes.resize(received);
    return bytes;
}

std::vector<uint8_t> Socket::ReceiveUntilClosed(std::chrono::milliseconds timeout,
                                                bool* closed) const {
    const auto deadline = Clock::now() + timeout;
    std::vector<uint8_t> bytes;
    uint8_t buffer[16384];
    bool ended = false;
    while (!ended) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, MillisecondsLeft(deadline)) <= 0) {
            break;
        }
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0) {
            ended = true;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (closed != nullptr) {
        *closed = ended;
    }
    return bytes;
}

bool Socket::StaysSilent(std::chrono::milliseconds wait) const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(wait.count())) == 0;
}

Socket ConnectTo(const std::string& address, uint16_t port, const std::string& fromAddress) {
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in local{};
    sockaddr_in remote{};
    if (!socket.valid() || !vyr::MakeIpv4Address(fromAddress.c_str(), 0, &local) ||
        !vyr::MakeIpv4Address(address.c_str(), port, &remote) ||
        ::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        vyr::GuardedConnect(socket.fd(), remote) != 0) {
        const int error = errno;
        socket = Socket();
        errno = error;
    }
    return socket;
}

Socket OpenStream(uint16_t port, const std::vector<uint8_t>& timeMessage) {
    Socket socket = ConnectTo("127.0.0.2", port);
    if (socket.valid() && !socket.SendAll(timeMessage)) {
        return Socket();
    }
    return socket;
}

std::vector<uint8_t> MakeTimeMessage(int year, int month, int day, int hour, int minute,
                                     int second) {
    return {0x5F,
            0x6F,
            0,
            0,
            static_cast<uint8_t>(year - 2000),
            static_cast<uint8_t>(month),
            static_cast<uint8_t>(day),
            static_cast<uint8_t>(hour),
            static_cast<uint8_t>(minute),
            static_cast<uint8_t>(second),
            0x0B,
            0x00};
}

Listener::Listener() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in local{};
    vyr::MakeIpv4Address("127.0.0.1", 0, &local);
    if (socket_.valid() &&
        ::bind(socket_.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
        ::listen(socket_.fd(), 8) == 0) {
        port_ = socket_.LocalPort();
    }
}

Socket Listener::Accept(std::chrono::milliseconds timeout, std::string* peerAddress) const {
    pollfd p{socket_.fd(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
        return Socket();
    }
    sockaddr_in remote{};
    socklen_t length = sizeof remote;
    Socket connection(
        ::accept4(socket_.fd(), reinterpret_cast<sockaddr*>(&remote), &length, SOCK_CLOEXEC));
    if (peerAddress != nullptr) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &remote.sin_addr, text, sizeof text);
        *peerAddress = text;
    }
    return connection;
}

}  // namespace vyr::test
