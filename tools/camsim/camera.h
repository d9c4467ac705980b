// The simulated camera: listens for the model query and the stream connection on its own loopback
// address, reads the client's time message and streams the configured video. Start binds and
// starts one thread per listener; Stop wakes every wait, closes every socket and joins, so it
// returns promptly even while a client is connected or silent. All observers are thread-safe;
// Start and Stop are called from one controlling thread.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/camsim/camera_config.h"
#include "tools/camsim/frame_loop.h"
#include "tools/camsim/protocol_messages.h"
#include "tools/camsim/socket_io.h"

namespace vyr::camsim {

class Camera {
public:
    explicit Camera(CameraConfig config);
    ~Camera();  // Stop
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Encodes the frame loop (once per Camera), binds the listeners and starts the threads; with
    // a start delay the listeners listen only once it has passed. False, with the reason in
    // LastError and the log, when the address is refused, a port cannot be bound or the stream
    // cannot be made. A running camera is stopped first. A port the configuration leaves at 0 is
    // chosen by the system at the first Start and kept by every later one, so that a camera that
    // is stopped and started again comes back where the client looks for it.
    bool Start();
    void Stop();
    bool IsRunning() const;
    std::string LastError() const;

    // The ports actually bound (useful when the configuration asked for port 0); 0 when not
    // listening.
    uint16_t ModelPort() const;
    uint16_t StreamPort() const;

    // Observers, counted since construction.
    uint64_t ModelConnections() const;
    uint64_t ModelQueriesAnswered() const;
    uint64_t ModelRequestsRefused() const;  // malformed or short requests, left unanswered
    std::optional<TimeMessage> LastTimeMessage() const;
    std::optional<Peer> LastStreamPeer() const;
    uint64_t StreamConnections() const;
    uint64_t FramesSent() const;
    uint64_t BytesSent() const;
    // The last (up to 1024) frames whose last byte went to the socket, oldest first.
    std::vector<FrameSend> RecentFrameSends() const;

    // Waits until predicate (which may call the observers) holds, re-testing whenever an observed
    // value changes. False when timeout passes first.
    bool WaitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) const;

    // The frame loop the stream sends; empty before the first successful Start.
    const FrameLoop& Frames() const { return loop_; }

private:
    void Log(const std::string& line) const;
    void Changed();
    // Waits out the start delay, then listens; false when stopped first or listen failed.
    bool ListenWhenDue(int listener, const std::string& what);
    void ModelThread(int listener);
    void ServeModelConnection(int fd, const Peer& peer, std::vector<int>* silent);
    void StreamThread(int listener);
    IoStatus ServeStreamConnection(int fd, int listener, uint64_t connection);
    void NoteFrameSent(uint64_t connection, uint64_t frameIndex,
                       std::chrono::steady_clock::time_point time);

    const CameraConfig config_;
    FrameLoop loop_;
    bool loopReady_ = false;

    std::unique_ptr<WakeSignal> wake_;
    std::thread modelThread_;
    std::thread streamThread_;
    std::atomic<uint16_t> modelPort_{0};
    std::atomic<uint16_t> streamPort_{0};
    uint16_t keptModelPort_ = 0;  // the ports of the first Start, for the later ones
    uint16_t keptStreamPort_ = 0;
    std::chrono::steady_clock::time_point listenAt_;

    mutable std::mutex mutex_;  // guards everything below and the change counter
    mutable std::condition_variable changed_;
    uint64_t changes_ = 0;
    bool running_ = false;
    std::string lastError_;
    uint64_t modelConnections_ = 0;
    uint64_t modelAnswered_ = 0;
    uint64_t modelRefused_ = 0;
    std::optional<TimeMessage> lastTime_;
    std::optional<Peer> lastPeer_;
    uint64_t streamConnections_ = 0;
    uint64_t framesSent_ = 0;
    uint64_t bytesSent_ = 0;
    std::deque<FrameSend> recentSends_;
};

}  // namespace vyr::camsim
