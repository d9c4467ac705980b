// The link against a camera that is late, goes away, comes back, closes or stalls its stream: the
// link connects again by itself, IsConnected says whether a stream stands, the states reach the
// notification target, Stop returns promptly while the link waits between attempts or for a
// connect, and start/stop cycles against a camera that comes and goes leave no thread behind.
// Waits are bounded by what the link promises ("pictures again within 4 s"), with room for the
// sanitizer builds.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "link/camera_link.h"
#include "settings/settings_file.h"
#include "support/notification_recorder.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"

namespace {

using namespace std::chrono_literals;
using vyr::LinkState;
using vyr::camsim::Camera;
using vyr::camsim::CameraConfig;
using Clock = std::chrono::steady_clock;

// The link's promises, doubled for the sanitizer builds.
constexpr auto kPicturesAgain = 8s;   // 4 s after the camera is back
constexpr auto kNewConnection = 10s;  // 5 s after a stall
constexpr auto kStopLimit = 500ms;

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(tasks);
    }
    return count;
}

// Whether `wanted` occurs in `states` in this order, other states allowed in between.
bool StatesPass(const std::vector<vyr::LinkStateReport>& states,
                std::initializer_list<LinkState> wanted) {
    auto next = wanted.begin();
    for (const auto& report : states) {
        if (next != wanted.end() && report.state == *next) {
            ++next;
        }
    }
    return next == wanted.end();
}

class LinkReconnectTest : public testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.path());
        vyr::Settings settings;  // camera type 0: every attempt asks the camera for its model
        ASSERT_EQ(vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(settings)),
                  0);
    }
    void TearDown() override {
        link_.reset();
        camera_.reset();
        std::filesystem::current_path(previousFolder_);
    }

    static CameraConfig SmallCamera() {
        CameraConfig config;
        config.modelPort = 0;
        config.streamPort = 0;
        config.width = 640;
        config.height = 360;
        config.gopFrames = 5;
        config.loopFrames = 25;
        return config;
    }
    void StartCamera(const CameraConfig& config) {
        camera_ = std::make_unique<Camera>(config);
        ASSERT_TRUE(camera_->Start()) << camera_->LastError();
    }
    void StartLink(uint16_t modelPort = 0) {
        if (!link_) {
            link_ = std::make_unique<vyr::CCameraLink>();
            link_->SetDeviceIp("127.0.0.2");
            vyr::LinkPorts ports;
            ports.modelQuery = modelPort != 0 ? modelPort : camera_->ModelPort();
            ports.stream = camera_->StreamPort();
            ports.control = 0;
            ports.picture = 0;
            link_->SetPorts(ports);
        }
        link_->Start(&notes_, &sink_);
    }
    bool FramesGrowBy(int count, std::chrono::milliseconds timeout) {
        return sink_.WaitForFrames(sink_.frames() + count, timeout);
    }
    static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (!condition()) {
            if (Clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
    Clock::duration TimedStop() {
        const auto start = Clock::now();
        link_->Stop();
        return Clock::now() - start;
    }

    vyr::test::TempDir folder_;
    std::filesystem::path previousFolder_;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<vyr::CCameraLink> link_;
    vyr::test::NotificationRecorder notes_;
    vyr::test::RecordingSink sink_;
};

TEST_F(LinkReconnectTest, PicturesFlowAgainAfterTheCameraGoesAwayAndComesBack) {
    StartCamera(SmallCamera());
    StartLink();
    ASSERT_TRUE(FramesGrowBy(5, kPicturesAgain));
    EXPECT_EQ(link_->IsConnected(), 1);

    camera_->Stop();
    ASSERT_TRUE(notes_.WaitForLinkState(LinkState::kStreamLost, kNewConnection));
    EXPECT_EQ(link_->IsConnected(), 0);
    // Attempts fail while the camera is away; the state keeps saying the stream was lost.
    ASSERT_TRUE(WaitFor([&] { return link_->shared().counters.streamAttemptsFailed.load() >= 1; },
                        kNewConnection));
    EXPECT_EQ(notes_.LinkStates().back().state, LinkState::kStreamLost);

    ASSERT_TRUE(camera_->Start()) << camera_->LastError();
    ASSERT_TRUE(FramesGrowBy(5, kPicturesAgain));
    EXPECT_EQ(link_->IsConnected(), 1);
    EXPECT_EQ(camera_->StreamConnections(), 2u);
    EXPECT_EQ(notes_.LinkStates().back().connections, 2u);
    EXPECT_TRUE(StatesPass(notes_.LinkStates(), {LinkState::kConnecting, LinkState::kStreaming,
                                                 LinkState::kStreamLost, LinkState::kStreaming}));
    link_->Stop();
    EXPECT_EQ(link_->IsConnected(), 0);
}

TEST_F(LinkReconnectTest, LateCameraIsFoundOnceItListens) {
    CameraConfig config = SmallCamera();
    config.startDelay = 2500ms;  // a camera still booting: connections refused meanwhile
    StartCamera(config);
    StartLink();
    ASSERT_TRUE(notes_.WaitForLinkState(LinkState::kNoCamera, kNewConnection));
    EXPECT_EQ(link_->IsConnected(), 0);
    // Pictures within 2 s of the camera listening (doubled).
    ASSERT_TRUE(FramesGrowBy(1, config.startDelay + 4s));
    EXPECT_TRUE(StatesPass(notes_.LinkStates(),
                           {LinkState::kConnecting, LinkState::kNoCamera, LinkState::kStreaming}));
    EXPECT_EQ(camera_->StreamConnections(), 1u);
}

// A stream that the camera closes, and one that stalls with its connection left open.
struct StreamFault {
    const char* name;
    int closeAfterFrames;
    int stallAfterFrames;
};

class LinkStreamFaultTest : public LinkReconnectTest,
                            public testing::WithParamInterface<StreamFault> {};

TEST_P(LinkStreamFaultTest, StreamThatEndsIsFollowedByANewConnection) {
    CameraConfig config = SmallCamera();
    config.closeAfterFrames = GetParam().closeAfterFrames;
    config.stallAfterFrames = GetParam().stallAfterFrames;
    StartCamera(config);
    StartLink();
    ASSERT_TRUE(
        camera_->WaitUntil([&] { return camera_->StreamConnections() >= 2; }, kNewConnection));
    // The second connection's pictures are drawn too.
    ASSERT_TRUE(WaitFor([&] { return sink_.frames() > 10; }, kPicturesAgain));
    EXPECT_TRUE(FramesGrowBy(1, kPicturesAgain));
    EXPECT_TRUE(StatesPass(notes_.LinkStates(),
                           {LinkState::kStreaming, LinkState::kStreamLost, LinkState::kStreaming}));
}

INSTANTIATE_TEST_SUITE_P(Faults, LinkStreamFaultTest,
                         testing::Values(StreamFault{"Closed", 10, 0},
                                         StreamFault{"Stalled", 0, 10}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(LinkReconnectTest, StopReturnsPromptlyBetweenAttemptsAndDuringAConnect) {
    CameraConfig absent = SmallCamera();
    absent.startDelay = 1h;  // bound, never listening: every attempt is refused
    StartCamera(absent);
    StartLink();
    ASSERT_TRUE(notes_.WaitForLinkState(LinkState::kNoCamera, kNewConnection));
    std::this_thread::sleep_for(50ms);  // inside the pause before the next attempt
    EXPECT_LT(TimedStop(), kStopLimit) << "during the pause between attempts";

    // A listener whose backlog is full drops further SYNs: a connect to it stays in progress.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> queued;
    bool pending = false;
    for (int i = 0; i < 4 && !pending; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        queued.push_back(fd);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd waiting{fd, POLLOUT, 0};
        pending = ::poll(&waiting, 1, 300) == 0;
    }
    ASSERT_TRUE(pending) << "the full backlog did not hold a connect";
    link_.reset();
    StartLink(ntohs(address.sin_port));  // the model query's connect hangs
    ASSERT_EQ(notes_.LinkStates().back().state, LinkState::kConnecting);
    EXPECT_LT(TimedStop(), kStopLimit) << "during a connect";
    for (int fd : queued) {
        ::close(fd);
    }
    ::close(listener);
}

TEST_F(LinkReconnectTest, FiftyStartStopCyclesAgainstACameraThatComesAndGoesLeaveNoThread) {
    CameraConfig config = SmallCamera();
    config.fps = 0;  // as fast as the link takes it
    StartCamera(config);
    camera_->Stop();
    const int threadsBefore = ThreadCount();
    for (int cycle = 0; cycle < 50; ++cycle) {
        // The camera is there for three cycles out of five, and changes state mid-cycle too.
        const bool cameraThere = cycle % 5 < 3;
        if (cameraThere != camera_->IsRunning()) {
            if (cameraThere) {
                ASSERT_TRUE(camera_->Start()) << camera_->LastError();
            } else {
                camera_->Stop();
            }
        }
        StartLink();
        if (cycle % 5 == 0) {
            ASSERT_TRUE(WaitFor([&] { return link_->IsConnected() == 1; }, kNewConnection))
                << cycle;
            camera_->Stop();
        }
        EXPECT_LT(TimedStop(), kStopLimit) << cycle;
        ASSERT_EQ(link_->IsConnected(), 0) << cycle;
    }
    camera_->Start();
    StartLink();
    EXPECT_TRUE(FramesGrowBy(10, kPicturesAgain));
    link_->Stop();
    camera_->Stop();
    EXPECT_EQ(ThreadCount(), threadsBefore);
}

}  // namespace
