// CCameraLink start and stop sequences.
#include "link/camera_link.h"

#include <pthread.h>

#include <chrono>
#include <cstring>

#include "link/stream_connection.h"
#include "video/decode_thread.h"

namespace vyr {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Thread names show in debuggers and in ThreadSanitizer reports.
void NameThread(std::thread& thread, const char* name) {
    ::pthread_setname_np(thread.native_handle(), name);
}

}  // namespace

CCameraLink::CCameraLink() = default;

CCameraLink::~CCameraLink() {
    shared_.stopRequested.store(1);
    shared_.ShutDownStreamSocket();
    JoinWorkers();
}

int CCameraLink::Start(NotificationTarget* notifyWindow, FrameSink* videoWindow) {
    // A stream thread of the previous run may still be in a receive: wake it and wait for it, so
    // that two runs never share the rings.
    shared_.stopRequested.store(1);
    shared_.ShutDownStreamSocket();
    JoinWorkers();

    shared_.notifyWindow.store(notifyWindow);
    shared_.videoWindow.store(videoWindow);
    shared_.stopRequested.store(0);
    shared_.identification.Reset();
    Globals().receiveRing.Reset();

    streamThread_ = std::thread(StreamThread, std::ref(shared_));
    NameThread(streamThread_, "vyr-stream");
    SleepMs(kStartPausesMs[0]);
    // The decode thread chooses the Motion-JPEG or the H.264 path itself, once identification has
    // settled the stream kind, however long the model query takes.
    decodeThread_ = std::thread(DecodeThread, std::ref(shared_));
    NameThread(decodeThread_, "vyr-decode");
    SleepMs(kStartPausesMs[1]);
    // The recording thread and the camera's control and picture servers join here with recording.
    return 0;
}

void CCameraLink::Stop() {
    shared_.connected.store(0);
    shared_.stopRequested.store(1);
    shared_.ShutDownStreamSocket();
    JoinWorkers();
}

void CCameraLink::JoinWorkers() {
    for (std::thread* worker : {&streamThread_, &decodeThread_}) {
        if (worker->joinable()) {
            worker->join();
        }
    }
}

int CCameraLink::RequestSnapshot() {
    shared_.snapshotFlags.StoreBoth(SnapshotFlags::kBoth);
    SleepMs(100);
    shared_.snapshotFlags.ClearDisplayPaused();
    return 0;
}

int CCameraLink::SetLocalAddress(const char* address) {
    if (address != nullptr) {
        shared_.localIp.assign(address, ::strnlen(address, 63));
    }
    return 0;
}

void CCameraLink::SetPatientFolderName(const std::string& name) {
    shared_.SetPatientFolderName(name);
}

int CCameraLink::StartRecording() {
    Globals().recordingRequested.store(1);
    return 0;
}

int CCameraLink::StopRecording() {
    Globals().recordingRequested.store(0);
    return 0;
}

}  // namespace vyr
