// A plain loopback connection for the link's socket tests: one that holds an address pair the way
// the link's own would, or a camera that connects to a server and then goes quiet; and a listener
// that holds a port.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vyr::test {

// An owned socket descriptor.
class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // True when the peer closes the connection within timeout (what it sends is dropped).
    bool ClosedByPeerWithin(std::chrono::milliseconds timeout) const;

private:
    int fd_;
};

// Connects from fromAddress:fromPort (0: chosen by the system), bound with address reuse on as the
// link binds, to address:port through the loopback guard. errno tells why an invalid socket came
// back.
Socket ConnectTo(const std::string& fromAddress, uint16_t fromPort, const std::string& address,
                 uint16_t port);

// A listening socket on 127.0.0.1 with a port chosen by the system (0 when none could be had).
class Listener {
public:
    Listener();
    uint16_t port() const { return port_; }

private:
    Socket socket_;
    uint16_t port_ = 0;
};

}  // namespace vyr::test
