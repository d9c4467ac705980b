// CCameraLink: the link between the main window and the camera. It holds the addresses, the
// patient folder name, the snapshot flag pair and the listening sockets, and runs the five worker
// threads of one run: the stream thread, the decode thread, the recording thread, the control
// server and the picture server. While the link runs, the stream thread connects again after a
// short pause whenever the camera cannot be reached or its stream ends or stalls; IsConnected is
// 1 only while a stream connection stands, and the link state reaches the notification target.
//
// Start and Stop run on the calling (user-interface) thread. Stop makes every worker end promptly,
// even when the camera has gone silent or is being connected to: it sets the stop flag, raises the
// wake-up the stream thread polls, shuts down both listening sockets and the connections the
// servers are reading, and joins the workers. Workers never wait for the
// user-interface thread (notifications are queued, frames go to a mailbox), so joining is safe.
#pragma once

#include <cstdint>
#include <string>
#include <thread>

#include "linkstate/link_shared.h"

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
    // The folder that holds jpg/ and video/ (empty: the executable's folder); only between runs.
    void SetExeDir(const std::string& folder) { shared_.exeDir = folder; }
    // The ports the control and picture servers listen on, once they do (0 before and after).
    uint16_t ControlPort() const { return shared_.controlPortBound.load(); }
    uint16_t PicturePort() const { return shared_.picturePortBound.load(); }

    LinkShared& shared() { return shared_; }
    const LinkShared& shared() const { return shared_; }

    // The pauses of the start sequence, in milliseconds, after each worker is created.
    static constexpr int kStartPausesMs[5] = {100, 50, 50, 100, 100};

private:
    void WakeWorkers();
    void JoinWorkers();

    LinkShared shared_;
    std::thread streamThread_;
    std::thread decodeThread_;
    std::thread recordThread_;
    std::thread controlThread_;
    std::thread pictureThread_;
};

}  // namespace vyr
