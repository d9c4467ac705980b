// One socket that a worker owns and that Stop must be able to wake: a listening socket blocked in
// accept or a connection blocked in recv. The worker registers and closes it, Stop shuts it down;
// both under one lock, so Stop never touches a descriptor number that was closed and reused.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

namespace vyr {

class SocketSlot {
public:
    // Takes ownership of fd (closing any socket held before).
    void Register(int fd) {
        std::lock_guard lock(mutex_);
        CloseLocked();
        fd_ = fd;
    }
    // Wakes whatever waits on the socket (accept or recv return at once); the socket stays open.
    void ShutDown() {
        std::lock_guard lock(mutex_);
        if (fd_ >= 0) {
            ::shutdown(fd_, SHUT_RDWR);
        }
    }
    // Closes the socket if one is held; the slot is then empty (-1).
    void Close() {
        std::lock_guard lock(mutex_);
        CloseLocked();
    }
    int fd() const {
        std::lock_guard lock(mutex_);
        return fd_;
    }

private:
    void CloseLocked() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    mutable std::mutex mutex_;
    int fd_ = -1;
};

}  // namespace vyr
