// Life cycle and observers of the simulated camera; the two servers are in
// camera_model_server.cpp and camera_stream_server.cpp.
#include "tools/camsim/camera.h"

namespace vyr::camsim {

namespace {
constexpr size_t kRecentSendsKept = 1024;
}  // namespace

Camera::Camera(CameraConfig config) : config_(std::move(config)) {}

Camera::~Camera() {
    Stop();
}

void Camera::Log(const std::string& line) const {
    if (config_.log) {
        config_.log(line);
    }
}

void Camera::Changed() {
    ++changes_;
    changed_.notify_all();
}

bool Camera::ListenWhenDue(int listener, const std::string& what) {
    if (config_.startDelay.count() <= 0) {
        return true;  // listening since Start
    }
    Log("camera: " + what + " port bound, listening in " +
        std::to_string(config_.startDelay.count()) + " ms");
    std::string error;
    if (SleepUntil(listenAt_, *wake_) == IoStatus::Stopped) {
        return false;
    }
    if (!Listen(listener, &error)) {
        Log("camera: " + error);
        return false;
    }
    Log("camera: " + what + " port listening");
    return true;
}

bool Camera::Start() {
    Stop();
    const auto fail = [this](const std::string& reason) {
        Log("camera: " + reason);
        std::lock_guard lock(mutex_);
        lastError_ = reason;
        Changed();
        return false;
    };
    sockaddr_in unused{};
    std::string error;
    if (!ResolveCameraAddress(config_.address, 0, &unused, &error)) {
        return fail(error);
    }
    const bool streamsFrames = config_.streamKind != StreamKind::RawBytes &&
                               config_.streamBehaviour == StreamBehaviour::Stream;
    if (streamsFrames && !loopReady_) {
        if (!BuildFrameLoop(config_, &loop_, &error)) {
            return fail(error);
        }
        loopReady_ = true;
    }
    auto wake = std::make_unique<WakeSignal>();
    if (!wake->valid()) {
        return fail("cannot create the wake signal");
    }
    // Listening when Start returns, or, with a start delay, bound now and listening in the
    // threads once it has passed.
    const auto open = config_.startDelay.count() > 0 ? BindListener : OpenListener;
    const uint16_t modelPort = config_.modelPort != 0 ? config_.modelPort : keptModelPort_;
    const uint16_t streamPort = config_.streamPort != 0 ? config_.streamPort : keptStreamPort_;
    int modelListener = -1;
    if (config_.modelBehaviour != ModelBehaviour::NotListening) {
        modelListener = open(config_.address, modelPort, &error);
        if (modelListener < 0) {
            return fail(error);
        }
    }
    const int streamListener = open(config_.address, streamPort, &error);
    if (streamListener < 0) {
        CloseSocket(&modelListener);
        return fail(error);
    }
    wake_ = std::move(wake);
    listenAt_ = std::chrono::steady_clock::now() + config_.startDelay;
    modelPort_ = modelListener >= 0 ? LocalPort(modelListener) : 0;
    streamPort_ = LocalPort(streamListener);
    keptModelPort_ = modelPort_ != 0 ? modelPort_.load() : keptModelPort_;
    keptStreamPort_ = streamPort_;
    {
        std::lock_guard lock(mutex_);
        running_ = true;
        lastError_.clear();
        Changed();
    }
    if (modelListener >= 0) {
        Log("camera: model query on " + config_.address + ":" + std::to_string(modelPort_.load()));
        modelThread_ = std::thread([this, modelListener] { ModelThread(modelListener); });
    }
    Log("camera: stream on " + config_.address + ":" + std::to_string(streamPort_.load()));
    streamThread_ = std::thread([this, streamListener] { StreamThread(streamListener); });
    return true;
}

void Camera::Stop() {
    if (wake_) {
        wake_->Signal();
    }
    if (modelThread_.joinable()) {
        modelThread_.join();
    }
    if (streamThread_.joinable()) {
        streamThread_.join();
    }
    wake_.reset();
    modelPort_ = 0;
    streamPort_ = 0;
    std::lock_guard lock(mutex_);
    if (running_) {
        running_ = false;
        Changed();
    }
}

bool Camera::IsRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

std::string Camera::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

uint16_t Camera::ModelPort() const {
    return modelPort_;
}

uint16_t Camera::StreamPort() const {
    return streamPort_;
}

uint64_t Camera::ModelConnections() const {
    std::lock_guard lock(mutex_);
    return modelConnections_;
}

uint64_t Camera::ModelQueriesAnswered() const {
    std::lock_guard lock(mutex_);
    return modelAnswered_;
}

uint64_t Camera::ModelRequestsRefused() const {
    std::lock_guard lock(mutex_);
    return modelRefused_;
}

std::optional<TimeMessage> Camera::LastTimeMessage() const {
    std::lock_guard lock(mutex_);
    return lastTime_;
}

std::optional<Peer> Camera::LastStreamPeer() const {
    std::lock_guard lock(mutex_);
    return lastPeer_;
}

uint64_t Camera::StreamConnections() const {
    std::lock_guard lock(mutex_);
    return streamConnections_;
}

uint64_t Camera::FramesSent() const {
    std::lock_guard lock(mutex_);
    return framesSent_;
}

uint64_t Camera::BytesSent() const {
    std::lock_guard lock(mutex_);
    return bytesSent_;
}

std::vector<FrameSend> Camera::RecentFrameSends() const {
    std::lock_guard lock(mutex_);
    return {recentSends_.begin(), recentSends_.end()};
}

bool Camera::WaitUntil(const std::function<bool()>& predicate,
                       std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        uint64_t seen = 0;
        {
            std::lock_guard lock(mutex_);
            seen = changes_;
        }
        // The predicate runs unlocked because it calls the observers, which lock.
        if (predicate()) {
            return true;
        }
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return changes_ != seen; })) {
            return false;
        }
    }
}

void Camera::NoteFrameSent(uint64_t connection, uint64_t frameIndex,
                           std::chrono::steady_clock::time_point time) {
    const FrameSend send{connection, frameIndex, time};
    {
        std::lock_guard lock(mutex_);
        ++framesSent_;
        recentSends_.push_back(send);
        if (recentSends_.size() > kRecentSendsKept) {
            recentSends_.pop_front();
        }
        Changed();
    }
    if (config_.onFrameSent) {
        config_.onFrameSent(send);
    }
}

}  // namespace vyr::camsim
