// CCameraLink start and stop sequences.
#include "link/camera_link.h"

#include <pthread.h>

#include <chrono>
#include <cstring>

#include "capture/recording_thread.h"
#include "link/control_server.h"
#include "link/picture_server.h"
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
    WakeWorkers();
    JoinWorkers();
}

int CCameraLink::Start(NotificationTarget* notifyWindow, FrameSink* videoWindow) {
    // A stream thread of the previous run may still be in a receive: wake it and wait for it, so
    // that two runs never share the rings.
    shared_.stopRequested.store(1);
    WakeWorkers();
    JoinWorkers();

    shared_.notifyWindow.store(notifyWindow);
    shared_.videoWindow.store(videoWindow);
    shared_.stopWake.Clear();
    shared_.stopRequested.store(0);
    shared_.identification.Reset();
    Globals().receiveRing.Reset();
    // A recording of the previous run is over (its file was closed when that run stopped); the
    // decode thread starts the next one at a key frame with a fresh RecordRing.
    Globals().recordingActive.store(0);

    streamThread_ = std::thread(StreamThread, std::ref(shared_));
    NameThread(streamThread_, "vyr-stream");
    SleepMs(kStartPausesMs[0]);
    // The decode thread chooses the Motion-JPEG or the H.264 path itself, once identification has
    // settled the stream kind, however long the model query takes.
    decodeThread_ = std::thread(DecodeThread, std::ref(shared_));
    NameThread(decodeThread_, "vyr-decode");
    SleepMs(kStartPausesMs[1]);
    recordThread_ = std::thread(RecordingThread, std::ref(shared_));
    NameThread(recordThread_, "vyr-record");
    SleepMs(kStartPausesMs[2]);
    controlThread_ = std::thread(ControlServer, std::ref(shared_));
    NameThread(controlThread_, "vyr-control");
    SleepMs(kStartPausesMs[3]);
    pictureThread_ = std::thread(PictureServer, std::ref(shared_));
    NameThread(pictureThread_, "vyr-picture");
    SleepMs(kStartPausesMs[4]);
    return 0;
}

void CCameraLink::Stop() {
    shared_.connected.store(0);
    shared_.stopRequested.store(1);
    WakeWorkers();
    JoinWorkers();
    shared_.ReportLinkState(LinkState::kStopped, false);
}

// After the stop flag is set: the raised wake-up ends every wait of the stream thread (connect,
// model reply, stream, back-off), a shut-down socket makes a blocked accept or recv return, and the
// worker then sees the flag. Each worker closes its own sockets on its way out.
void CCameraLink::WakeWorkers() {
    shared_.stopWake.Raise();
    shared_.ShutDownStreamSocket();
    shared_.controlListener.ShutDown();
    shared_.pictureListener.ShutDown();
    shared_.controlConnection.ShutDown();
    shared_.pictureConnection.ShutDown();
}

void CCameraLink::JoinWorkers() {
    for (std::thread* worker :
         {&streamThread_, &decodeThread_, &recordThread_, &controlThread_, &pictureThread_}) {
        if (worker->joinable()) {
            worker->join();
        }
    }
    // A server that could not set up its listener leaves nothing behind; one that did has closed
    // it. Close anything left all the same, so no descriptor outlives the run.
    shared_.controlListener.Close();
    shared_.pictureListener.Close();
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
