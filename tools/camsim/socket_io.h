// Socket plumbing of the simulated camera: a wake signal that makes every blocked wait return at
// Stop, listeners bound to a loopback address, and sends and receives that also watch the wake
// signal and, while streaming, the listener (a new client takes over from the old one).
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vyr::camsim {

// An eventfd that stays readable once signalled, so every thread polling it wakes up.
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void Signal();
    bool IsSignalled() const;

private:
    int fd_ = -1;
};

enum class IoStatus {
    Ok,
    Closed,      // the peer closed the connection or it failed
    Stopped,     // the wake signal fired
    Superseded,  // a new connection waits on the watched listener
    TimedOut,
};

const char* IoStatusName(IoStatus status);

// What a blocking operation watches besides its own socket.
struct Watch {
    const WakeSignal* wake = nullptr;
    int listener = -1;  // -1: no listener to watch
};

struct Peer {
    std::string address;
    uint16_t port = 0;
    std::string text() const { return address + ":" + std::to_string(port); }
};

// Parses a dotted IPv4 address and refuses, in loopback-only builds, one outside 127.0.0.0/8.
// False with *error set.
bool ResolveCameraAddress(const std::string& dotted, uint16_t port, sockaddr_in* out,
                          std::string* error);

// A non-blocking listening socket with SO_REUSEADDR on address:port (port 0: any free port).
// Returns the descriptor, or -1 with *error set.
int OpenListener(const std::string& address, uint16_t port, std::string* error);

// The same socket bound but not yet listening: connections to it are refused (reset) until
// Listen, as by a camera that is still booting. Returns the descriptor, or -1 with *error set.
int BindListener(const std::string& address, uint16_t port, std::string* error);
bool Listen(int fd, std::string* error);

// Waits until deadline unless the wake signal fires first (Stopped).
IoStatus SleepUntil(std::chrono::steady_clock::time_point deadline, const WakeSignal& wake);

// The port a socket is bound to, 0 when unknown.
uint16_t LocalPort(int fd);

// Accepts one waiting connection (made blocking-free for poll-driven I/O); -1 when none waits.
int AcceptConnection(int listener, Peer* peer);

// Waits until the listener has a connection or the wake signal fires.
IoStatus WaitForConnection(int listener, const WakeSignal& wake);

// Receives exactly n bytes; Closed when the peer ends the connection first.
IoStatus ReceiveExact(int fd, uint8_t* data, size_t n, std::chrono::milliseconds timeout,
                      const Watch& watch);

// Sends all n bytes (MSG_NOSIGNAL: a vanished peer gives Closed, not SIGPIPE).
IoStatus SendAll(int fd, const uint8_t* data, size_t n, const Watch& watch);

// Waits until deadline while watching the connection for its end (bytes the peer sends are read
// and ignored). Ok when the deadline passed.
IoStatus IdleUntil(int fd, std::chrono::steady_clock::time_point deadline, const Watch& watch);

// Superseded when a new connection waits on the watched listener, Stopped when the wake fired,
// else Ok. Does not block.
IoStatus CheckWatch(const Watch& watch);

// Ends the sending direction, reads until the peer closes (at most timeout), then closes fd, so
// that the peer receives everything sent rather than a reset.
void CloseGracefully(int fd, std::chrono::milliseconds timeout, const WakeSignal& wake);

void CloseSocket(int* fd);

}  // namespace vyr::camsim
