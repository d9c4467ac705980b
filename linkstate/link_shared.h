// What the camera link's worker threads share with the link object and with each other: the stop
// and connection flags, the snapshot flag pair, the addresses, the notification target and frame
// sink, and the process-wide stream values (frame size, stream kind, recording flags, the rings).
// Every flag is a single atomic of its own width; readers poll them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "linkstate/link_ports.h"
#include "linkstate/receive_ring.h"
#include "linkstate/record_ring.h"
#include "linkstate/socket_slot.h"
#include "platform/net/socket_waits.h"
#include "platform/notification_target.h"

namespace vyr {

class FrameSink;

// The snapshot flag pair: displayPaused in the low byte, captureRequested in the high byte, stored
// together as one 16-bit value when both change (0x0101 sets both, 0 clears both).
class SnapshotFlags {
public:
    static constexpr uint16_t kBoth = 0x0101;
    static constexpr uint16_t kPausedBit = 0x0001;
    static constexpr uint16_t kCaptureBit = 0x0100;

    void StoreBoth(uint16_t value) { pair_.store(value, std::memory_order_release); }
    bool displayPaused() const { return (pair_.load(std::memory_order_acquire) & kPausedBit) != 0; }
    bool captureRequested() const {
        return (pair_.load(std::memory_order_acquire) & kCaptureBit) != 0;
    }
    // The single-byte writes: the other byte keeps whatever another thread stored meanwhile.
    void ClearDisplayPaused() { pair_.fetch_and(kCaptureBit, std::memory_order_acq_rel); }
    void ClearCaptureRequested() { pair_.fetch_and(kPausedBit, std::memory_order_acq_rel); }
    uint16_t value() const { return pair_.load(std::memory_order_acquire); }

private:
    std::atomic<uint16_t> pair_{0};
};

// Process-wide values of the stream, shared by every link object of the process.
struct StreamGlobals {
    std::atomic<int32_t> frameWidth{1920};
    std::atomic<int32_t> frameHeight{1080};
    std::atomic<int32_t> mjpegMode{0};
    std::atomic<int32_t> recordingRequested{0};
    std::atomic<int32_t> recordingActive{0};
    ReceiveRing receiveRing;
    RecordRing recordRing;

    // The path of the last snapshot, overwritten by each one (empty before the first). Written by
    // the decode thread; the lock lets diagnostics read it from another thread.
    void SetLastSnapshotPath(const std::string& path);
    std::string LastSnapshotPath() const;

private:
    mutable std::mutex snapshotPathMutex_;
    std::string lastSnapshotPath_;
};

StreamGlobals& Globals();

// Counters for diagnostics (camprobe) and tests.
struct LinkCounters {
    std::atomic<uint64_t> framesDecoded{0};
    std::atomic<uint64_t> framesDrawn{0};
    std::atomic<uint64_t> blocksReceived{0};
    std::atomic<uint64_t> snapshotsTaken{0};     // snapshot files written
    std::atomic<uint64_t> recordFramesTaken{0};  // frames the recording thread took from RecordRing
    std::atomic<uint64_t> recordFilesClosed{0};  // AVI files the recording thread closed
    std::atomic<uint64_t> controlPackets{0};     // control connections read and acted on
    std::atomic<uint64_t> pictureUploads{0};     // picture connections read and acted on
    std::atomic<uint64_t> connectionsRefused{0};    // server connections from another address
    std::atomic<uint64_t> streamConnections{0};     // stream connections that sent the time message
    std::atomic<uint64_t> streamAttemptsFailed{0};  // attempts that ended before a stream stood
};

// Tells the decode thread that identification has settled mjpegMode and the frame size, so that
// the decode path is chosen after it and never on a stale value. A failed identification settles
// nothing: the stream thread tries again until the link stops.
class IdentificationHandOver {
public:
    void Reset();
    void Settle();
    // Waits until settled or until stop is true; returns true when settled.
    bool Wait(const std::atomic<uint16_t>& stopRequested);

private:
    std::mutex mutex_;
    std::condition_variable settledChanged_;
    bool settled_ = false;
};

struct LinkShared {
    std::atomic<uint16_t> stopRequested{0};
    std::atomic<int32_t> connected{0};
    SnapshotFlags snapshotFlags;
    std::atomic<NotificationTarget*> notifyWindow{nullptr};
    std::atomic<FrameSink*> videoWindow{nullptr};

    // Set before Start; read by the workers.
    std::string deviceIp = "192.168.1.1";
    std::string localIp = "192.168.1.1";
    LinkPorts ports;
    // The folder that holds jpg/ and video/; empty means GetExeDir() (platform/exe_dir.h).
    std::string exeDir;

    // The servers' listening sockets and the connection each is serving, so that Stop can wake
    // them; the ports the listeners are bound to (0 while not listening).
    SocketSlot controlListener;
    SocketSlot pictureListener;
    SocketSlot controlConnection;
    SocketSlot pictureConnection;
    std::atomic<uint16_t> controlPortBound{0};
    std::atomic<uint16_t> picturePortBound{0};

    // The BMP path the picture server named last (empty when none, or when the last upload's name
    // was refused); camera command 4 deletes this file.
    void SetReceivedPicturePath(const std::string& path);
    std::string ReceivedPicturePath() const;

    // Written by the user-interface thread while the workers may read it.
    void SetPatientFolderName(const std::string& name);
    std::string PatientFolderName() const;

    // The socket the stream thread is blocked on (model query or stream), so that Stop can shut
    // it down and wake the thread; registered and unregistered under the lock so that Stop never
    // shuts down a descriptor number that has been closed and reused.
    void RegisterStreamSocket(int fd);
    void CloseStreamSocket();
    void ShutDownStreamSocket();

    IdentificationHandOver identification;
    LinkCounters counters;

    // Raised by Stop, so that every wait of the stream thread (connect, model reply, stream,
    // back-off) returns at once; cleared by Start once the previous run's workers have ended.
    WakeFd stopWake;

    // How long the control and picture servers wait for a connection's next bytes before they
    // close it and serve the next one; set before Start (tests shorten it).
    int serverReceiveTimeoutMs = 10000;

    // The state the stream thread reported last (kStopped before Start and after Stop).
    LinkState linkState() const { return linkState_.load(); }
    // Stores the state and, when it or the number of stream connections changed, tells the
    // notification target. Stream thread only; Stop stores kStopped with reportToTarget false.
    void ReportLinkState(LinkState state, bool reportToTarget = true);

    // The camera type to use instead of the one in language.ini for this run only (diagnostics);
    // -1 reads the file.
    std::atomic<int32_t> cameraTypeOverride{-1};

    // What identification found, for diagnostics.
    struct ModelReport {
        bool asked = false;
        int result = 0;  // a ModelQueryResult when asked
        std::string modelText;
    };
    void SetModelReport(const ModelReport& report);
    ModelReport LastModelReport() const;

private:
    std::atomic<LinkState> linkState_{LinkState::kStopped};
    uint64_t reportedConnections_ = 0;  // stream thread only
    mutable std::mutex reportMutex_;
    ModelReport modelReport_;
    mutable std::mutex folderMutex_;
    std::string patientFolderName_;
    mutable std::mutex pictureMutex_;
    std::string receivedPicturePath_;
    std::mutex socketMutex_;
    int streamSocket_ = -1;
};

}  // namespace vyr
