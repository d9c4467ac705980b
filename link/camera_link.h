// CCameraLink: the link between the main window and the camera. It holds the addresses, the
// patient folder name, the snapshot flag pair and the listening sockets, and runs the worker
// threads of one connection: the stream thread, the decode thread, and (with recording and the
// camera's servers) the recording, control and picture threads.
//
// Start and Stop run on the calling (user-interface) thread. Stop makes every worker end promptly,
// even when the camera has gone silent: it sets the stop flag, shuts down the socket the stream
// thread waits on and both listening sockets, and joins the workers. Workers never wait for the
// user-interface thread (notifications are queued, frames go to a mailbox), so joining is safe.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "link/link_shared.h"

namespace vyr {

class FrameSink;
class NotificationTarget;

class CCameraLink {
public:
    CCameraLink();
    ~CCameraLink();
    CCameraLink(const CCameraLink&) = delete;
    CCameraLink& operator=(const CCameraLink&) = delete;

    // Starts the workers of a new connection; threads of a previous run are joined first.
    // Always 0.
    int Start(NotificationTarget* notifyWindow, FrameSink* videoWindow);
    void Stop();
    int32_t IsConnected() const { return shared_.connected.load(); }

    // Freezes the live picture for 100 ms and makes the next decoded frame a snapshot. Always 0.
    int RequestSnapshot();
    // Copies the dotted address of the local adapter (at most 63 characters). Always 0.
    int SetLocalAddress(const char* address);
    void SetPatientFolderName(const std::string& name);
    int StartRecording();
    int StopRecording();

    // The camera's address ("192.168.1.1" unless the program was started with --camera) and the
    // ports; both only between runs.
    void SetDeviceIp(const std::string& address) { shared_.deviceIp = address; }
    void SetPorts(const LinkPorts& ports) { shared_.ports = ports; }

    LinkShared& shared() { return shared_; }
    const LinkShared& shared() const { return shared_; }

    // The pauses of the start sequence, in milliseconds, after each worker is created.
    static constexpr int kStartPausesMs[5] = {100, 50, 50, 100, 100};

private:
    void JoinWorkers();

    LinkShared shared_;
    std::thread streamThread_;
    std::thread decodeThread_;
};

}  // namespace vyr
