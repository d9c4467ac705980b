// Waits on sockets that a stop request can cut short, and the socket options of the camera link.
// A WakeFd is an eventfd that stays readable once raised, so that every thread polling it returns
// at once; each wait polls its socket together with the wake descriptor, with a time limit, so a
// camera that is absent, silent or half-connected never holds a worker past a stop.
#pragma once

#include <netinet/in.h>

namespace vyr {

// Results of the waits below.
enum SocketWaitResult : int {
    kSocketReady = 0,      // connected, or data (or the peer's close) is waiting
    kSocketFailed = -1,    // the connect failed; errno says why
    kSocketStopped = -2,   // the wake descriptor was raised
    kSocketTimedOut = -3,  // the time limit passed first
};

class WakeFd {
public:
    WakeFd();
    ~WakeFd();
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;

    int fd() const { return fd_; }
    // Makes every present and future wait on this descriptor return, until Clear.
    void Raise();
    // Only while no thread waits on it (between the join of one run and the start of the next).
    void Clear();

private:
    int fd_ = -1;
};

// Connects fd to destination through the loopback guard without blocking past timeoutMs or a
// raised wakeFd; fd is blocking again afterwards. Returns a SocketWaitResult (kSocketFailed with
// errno set, EACCES when the guard refused the address).
int ConnectWithin(int fd, const sockaddr_in& destination, int wakeFd, int timeoutMs);

// Waits until fd is readable (data, or the peer's close or reset), wakeFd is raised or timeoutMs
// pass. Returns a SocketWaitResult.
int WaitReadable(int fd, int wakeFd, int timeoutMs);

// Sleeps timeoutMs unless wakeFd is raised first: kSocketTimedOut after the full time,
// kSocketStopped when woken.
int WaitUnlessWoken(int wakeFd, int timeoutMs);

// TCP keepalive probing after 5 s of silence, every 2 s, 3 probes: a peer that vanished without a
// FIN (power loss, out of Wi-Fi range) breaks the connection within about 11 s. 0 or -1.
int EnableKeepAlive(int fd);

// Makes each recv on fd fail with EAGAIN after timeoutMs without data. 0 or -1.
int SetReceiveTimeout(int fd, int timeoutMs);

}  // namespace vyr
