// The camera's stream server: reads the client's 12-byte time message, then sends the configured
// stream for as long as the connection stands. One client at a time; a new connection takes over
// from the one being served, so a client that restarts is never kept waiting by its old socket.
#include <unistd.h>

#include <chrono>

#include "tools/camsim/camera.h"
#include "tools/camsim/stream_sender.h"

namespace vyr::camsim {

void Camera::StreamThread(int listener) {
    if (!ListenWhenDue(listener, "stream")) {
        ::close(listener);
        return;
    }
    uint64_t connection = 0;
    IoStatus status = IoStatus::Ok;
    while (status != IoStatus::Stopped) {
        // After Superseded a connection already waits; otherwise wait for one.
        if (status != IoStatus::Superseded &&
            WaitForConnection(listener, *wake_) == IoStatus::Stopped) {
            break;
        }
        Peer peer;
        const int fd = AcceptConnection(listener, &peer);
        if (fd < 0) {
            status = IoStatus::Ok;
            continue;
        }
        ++connection;
        {
            std::lock_guard lock(mutex_);
            ++streamConnections_;
            lastPeer_ = peer;
            Changed();
        }
        Log("stream: connection " + std::to_string(connection) + " from " + peer.text());
        status = ServeStreamConnection(fd, listener, connection);
        Log("stream: connection " + std::to_string(connection) + " ended: " + IoStatusName(status));
    }
    ::close(listener);
}

IoStatus Camera::ServeStreamConnection(int fd, int listener, uint64_t connection) {
    const Watch watch{wake_.get(), listener};
    TimeMessage message{};
    IoStatus status =
        ReceiveExact(fd, message.data(), message.size(), config_.requestTimeout, watch);
    if (status != IoStatus::Ok) {
        Log(std::string("stream: no time message: ") + IoStatusName(status));
        ::close(fd);
        return status == IoStatus::Stopped || status == IoStatus::Superseded ? status
                                                                             : IoStatus::Closed;
    }
    {
        std::lock_guard lock(mutex_);
        lastTime_ = message;
        Changed();
    }
    const std::optional<TimeStamp> time = DecodeTimeMessage(message);
    Log(time ? "stream: time message " + FormatTimeStamp(*time)
             : std::string("stream: malformed time message"));

    if (config_.streamBehaviour == StreamBehaviour::AcceptThenSilent) {
        status = IdleUntil(fd, std::chrono::steady_clock::time_point::max(), watch);
    } else if (config_.streamKind == StreamKind::RawBytes) {
        status = SendAll(fd, config_.rawBytes.data(), config_.rawBytes.size(), watch);
        if (status == IoStatus::Ok) {
            std::lock_guard lock(mutex_);
            bytesSent_ += config_.rawBytes.size();
            Changed();
        }
        if (status == IoStatus::Ok && config_.closeAfterRaw) {
            Log("stream: sent " + std::to_string(config_.rawBytes.size()) + " bytes, closing");
            CloseGracefully(fd, std::chrono::milliseconds(1000), *wake_);
            return IoStatus::Closed;
        }
        if (status == IoStatus::Ok) {
            status = IdleUntil(fd, std::chrono::steady_clock::time_point::max(), watch);
        }
    } else {
        SendHooks hooks;
        hooks.frameSent = [this, connection](uint64_t index,
                                             std::chrono::steady_clock::time_point at) {
            NoteFrameSent(connection, index, at);
        };
        hooks.bytesSent = [this](size_t bytes) {
            std::lock_guard lock(mutex_);
            bytesSent_ += bytes;
            Changed();
        };
        const StreamFaults faults{config_.closeAfterFrames, config_.stallAfterFrames,
                                  config_.restartAfterFrames};
        status = SendFrameLoop(fd, loop_, config_.fps, watch, hooks, faults);
    }
    ::close(fd);
    return status;
}

}  // namespace vyr::camsim
