// A minimal client and server for the camera tests, on plain sockets so that the tests see the
// exact bytes: connect (through the loopback guard), send, receive with a deadline, and a
// listener that stands in for the client's control and picture servers.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vyr::test {

// An owned socket descriptor.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket& operator=(Socket&& other) noexcept;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    uint16_t LocalPort() const;

    bool SendAll(const std::vector<uint8_t>& bytes) const;
    // Receives until n bytes have arrived, the peer closes or timeout passes; returns what came.
    std::vector<uint8_t> Receive(size_t n, std::chrono::milliseconds timeout) const;
    // Receives until the peer closes (or timeout); *closed says whether it did.
    std::vector<uint8_t> ReceiveUntilClosed(std::chrono::milliseconds timeout,
                                            bool* closed = nullptr) const;
    // True when nothing arrives and the connection stays open for the whole of wait.
    bool StaysSilent(std::chrono::milliseconds wait) const;

private:
    int fd_ = -1;
};

// Connects from fromAddress (port chosen by the system) to address:port. errno tells why an
// invalid socket came back.
Socket ConnectTo(const std::string& address, uint16_t port,
                 const std::string& fromAddress = "127.0.0.1");

// The client's side of the stream connection: connects and sends a time message.
Socket OpenStream(uint16_t port, const std::vector<uint8_t>& timeMessage);

// A 12-byte time message for the given date and time.
std::vector<uint8_t> MakeTimeMessage(int year, int month, int day, int hour, int minute,
                                     int second);

// A listening socket on 127.0.0.1 with a port chosen by the system.
class Listener {
public:
    Listener();
    uint16_t port() const { return port_; }
    // Accepts one connection within timeout; *peerAddress receives the dotted peer address.
    Socket Accept(std::chrono::milliseconds timeout, std::string* peerAddress = nullptr) const;

private:
    Socket socket_;
    uint16_t port_ = 0;
};

}  // namespace vyr::test
