// The camera link against the simulated camera on loopback: identification from the model reply
// (no language.ini: camera type 0, the model is asked), the time message, the stream's pictures at
// their size and colours, the fixed local port, and a camera that goes away, comes back, closes
// or stalls its stream (a late camera is camprobe_test's, through camprobe's lines and JSON): the
// link connects again by itself, IsConnected says whether a stream stands, the states reach the
// notification target, Stop returns promptly in every state, and start/stop cycles leave no thread
// behind. Waits are bounded by what the link promises
// ("pictures again within 4 s"), doubled for the sanitizers.
#include "link/camera_link.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "link/stream_connection.h"
#include "platform/net/socket_guard.h"
#include "support/exe_folder.h"
#include "support/loopback_camera.h"
#include "support/notification_recorder.h"
#include "support/raw_socket.h"
#include "support/recording_sink.h"
#include "support/wait_for.h"
#include "tools/camsim/test_pattern.h"

namespace {

using namespace std::chrono_literals;
using vyr::Globals;
using vyr::LinkState;
using vyr::camsim::CameraConfig;
using vyr::test::ConnectTo;
using vyr::test::Socket;
using vyr::test::WaitFor;
using Clock = std::chrono::steady_clock;

constexpr auto kPicturesAgain = 8s;   // 4 s after the camera is back
constexpr auto kNewConnection = 10s;  // 5 s after a stall
constexpr auto kStopLimit = 500ms;

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

class CameraLinkTest : public testing::Test {
protected:
    void TearDown() override {
        link_.reset();
        camera_.reset();
        vyr::SetLocalTimeSourceForTest(nullptr);
    }

    // A camera with ports of its own choosing, and a new link pointed at it.
    void StartCamera(const CameraConfig& config) {
        link_.reset();
        camera_ = vyr::test::StartLoopbackCamera(config);
        ASSERT_NE(camera_, nullptr);
        link_ = std::make_unique<vyr::CCameraLink>();
        link_->SetDeviceIp("127.0.0.2");
        link_->SetPorts(vyr::test::LoopbackPorts(*camera_));
    }
    void StartLink() { link_->Start(&notes_, &sink_); }
    bool FramesGrowBy(int count, std::chrono::milliseconds timeout = kPicturesAgain) {
        return sink_.WaitForFrames(sink_.frames() + count, timeout);
    }
    Clock::duration TimedStop() {
        const auto start = Clock::now();
        link_->Stop();
        return Clock::now() - start;
    }

    vyr::test::ExeFolder folder_;
    std::unique_ptr<vyr::camsim::Camera> camera_;
    std::unique_ptr<vyr::CCameraLink> link_;
    vyr::test::NotificationRecorder notes_;
    vyr::test::RecordingSink sink_;
};

TEST_F(CameraLinkTest, H264PicturesArriveWithTheirSizeAndColoursAfterTheTimeMessage) {
    vyr::SetLocalTimeSourceForTest([] {
        std::tm t{};
        ::strptime("2031-07-09 08:07:06", "%Y-%m-%d %H:%M:%S", &t);
        return t;
    });
    for (const auto& [width, height] : {std::pair{1920, 1080}, {1280, 1024}, {1280, 720}}) {
        SCOPED_TRACE(width * 10000 + height);
        CameraConfig config;
        config.modelText = "H264_CAM";
        config.width = width;
        config.height = height;
        config.fps = 50;
        StartCamera(config);
        Globals().mjpegMode.store(1);  // the model reply must set it back
        StartLink();
        ASSERT_TRUE(FramesGrowBy(5));
        EXPECT_EQ(sink_.width(), width);
        EXPECT_EQ(sink_.height(), height);
        for (const auto& patch : vyr::camsim::TestPatternPatches(width, height)) {
            SCOPED_TRACE(patch.name);
            const auto bgr = sink_.Pixel(patch.x + patch.width / 2, patch.y + patch.height / 2);
            EXPECT_NEAR(bgr[0], patch.colour.b, 16);
            EXPECT_NEAR(bgr[1], patch.colour.g, 16);
            EXPECT_NEAR(bgr[2], patch.colour.r, 16);
        }
        EXPECT_EQ(Globals().mjpegMode.load(), 0);
        EXPECT_EQ(link_->shared().LastModelReport().modelText, "H264_CAM");
        const auto time = camera_->LastTimeMessage();
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(*time, (vyr::TimeSyncMessage{0x5F, 0x6F, 0, 0, 31, 7, 9, 8, 7, 6, 0x0B, 0}));
        link_->Stop();
    }
}

// The stream leaves from the local address and the fixed port (the camera's own stream port here);
// while a connection to the camera holds that port, as one in TIME_WAIT would, the link connects
// from a port the system chooses.
TEST_F(CameraLinkTest, StreamLeavesFromTheFixedPortOrFromAnotherWhileItIsTaken) {
    for (const bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "taken" : "free");
        CameraConfig quiet = vyr::test::SmallCamera();
        quiet.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
        quiet.requestTimeout = 30s;  // the holder never sends the time message
        StartCamera(quiet);
        const uint16_t port = camera_->StreamPort();
        const auto holder = taken ? ConnectTo("127.0.0.1", port, "127.0.0.2", port) : Socket();
        if (taken) {
            ASSERT_TRUE(holder.valid()) << std::strerror(errno);
            // The address pair is taken: a second connect from it fails as the link's would.
            ASSERT_FALSE(ConnectTo("127.0.0.1", port, "127.0.0.2", port).valid());
            ASSERT_EQ(errno, EADDRNOTAVAIL);
        }
        link_->SetLocalAddress("127.0.0.1");
        StartLink();
        ASSERT_TRUE(camera_->WaitUntil([&] { return camera_->StreamConnections() == 1u + taken; },
                                       kNewConnection));
        EXPECT_EQ(camera_->LastStreamPeer()->address, "127.0.0.1");
        EXPECT_EQ(camera_->LastStreamPeer()->port == port, !taken);
        std::this_thread::sleep_for(50ms);  // the stream worker is now blocked in its receive
        EXPECT_LT(TimedStop(), kStopLimit) << "with a silent stream";
    }
}

TEST_F(CameraLinkTest, PicturesFlowAgainAfterTheCameraGoesAwayAndComesBack) {
    StartCamera(vyr::test::SmallCamera());
    StartLink();
    ASSERT_TRUE(FramesGrowBy(5));
    EXPECT_EQ(link_->IsConnected(), 1);

    camera_->Stop();
    ASSERT_TRUE(notes_.WaitForLinkState(LinkState::kStreamLost, kNewConnection));
    EXPECT_EQ(link_->IsConnected(), 0);
    // Attempts fail while the camera is away; the state keeps saying the stream was lost.
    ASSERT_TRUE(WaitFor([&] { return link_->shared().counters.streamAttemptsFailed.load() >= 1; },
                        kNewConnection));
    EXPECT_EQ(notes_.LinkStates().back().state, LinkState::kStreamLost);

    ASSERT_TRUE(camera_->Start()) << camera_->LastError();
    ASSERT_TRUE(FramesGrowBy(5));
    EXPECT_EQ(link_->IsConnected(), 1);
    EXPECT_EQ(camera_->StreamConnections(), 2u);
    EXPECT_EQ(notes_.LinkStates().back().connections, 2u);
    EXPECT_TRUE(StatesPass(notes_.LinkStates(), {LinkState::kConnecting, LinkState::kStreaming,
                                                 LinkState::kStreamLost, LinkState::kStreaming}));
    link_->Stop();
    EXPECT_EQ(link_->IsConnected(), 0);
}

// A stream that stalls with its connection left open is followed by a new connection, whose
// pictures are drawn too (one that the camera closes is the camera going away, above).
TEST_F(CameraLinkTest, StalledStreamIsFollowedByANewConnection) {
    CameraConfig config = vyr::test::SmallCamera();
    config.stallAfterFrames = 10;
    StartCamera(config);
    StartLink();
    ASSERT_TRUE(
        camera_->WaitUntil([&] { return camera_->StreamConnections() >= 2; }, kNewConnection));
    ASSERT_TRUE(WaitFor([&] { return sink_.frames() > 10; }, kPicturesAgain));
    EXPECT_TRUE(FramesGrowBy(1));
    EXPECT_TRUE(StatesPass(notes_.LinkStates(),
                           {LinkState::kStreaming, LinkState::kStreamLost, LinkState::kStreaming}));
}

// Stop returns promptly in every state: a silent stream (above), a silent model query, the pause
// after a failed identification (which makes no stream connection), and a connect in progress.
TEST_F(CameraLinkTest, StopReturnsPromptlyInEveryState) {
    CameraConfig silent = vyr::test::SmallCamera();
    silent.modelBehaviour = vyr::camsim::ModelBehaviour::AcceptThenSilent;
    StartCamera(silent);
    StartLink();
    ASSERT_TRUE(camera_->WaitUntil([&] { return camera_->ModelConnections() == 1; }, 5s));
    std::this_thread::sleep_for(50ms);  // the worker is now blocked in its receive
    EXPECT_LT(TimedStop(), kStopLimit) << "with a silent model query";

    CameraConfig badReply = vyr::test::SmallCamera();
    badReply.replyCode = 11;
    CameraConfig absent = vyr::test::SmallCamera();
    absent.modelBehaviour = vyr::camsim::ModelBehaviour::NotListening;
    for (const auto& [config, result] : {std::pair{badReply, vyr::kModelQueryNoSocketOrBadReply},
                                         {absent, vyr::kModelQueryRefused}}) {
        StartCamera(config);
        StartLink();
        ASSERT_TRUE(WaitFor([&] {
            return link_->shared().LastModelReport().asked &&
                   notes_.LinkStates().back().state == LinkState::kNoCamera;
        }));
        EXPECT_EQ(link_->shared().LastModelReport().result, result);
        std::this_thread::sleep_for(50ms);  // inside the pause before the next attempt
        EXPECT_LT(TimedStop(), kStopLimit) << "between attempts " << result;
        EXPECT_EQ(camera_->StreamConnections(), 0u);
        EXPECT_EQ(link_->IsConnected(), 0);
    }

    // A listener whose backlog is full drops further SYNs: a connect to it stays in progress.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    ASSERT_TRUE(vyr::MakeIpv4Address("127.0.0.2", 0, &address));
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
    vyr::LinkPorts ports = vyr::test::LoopbackPorts(*camera_);
    ports.modelQuery = ntohs(address.sin_port);  // the model query's connect hangs there
    link_->SetPorts(ports);
    StartLink();
    ASSERT_EQ(notes_.LinkStates().back().state, LinkState::kConnecting);
    EXPECT_LT(TimedStop(), kStopLimit) << "during a connect";
    for (int fd : queued) {
        ::close(fd);
    }
    ::close(listener);
}

TEST_F(CameraLinkTest, FiftyStartStopCyclesAgainstACameraThatComesAndGoesLeaveNoThread) {
    CameraConfig config = vyr::test::SmallCamera();
    config.fps = 0;  // as fast as the link takes it
    StartCamera(config);
    camera_->Stop();
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
    };
    const auto threadsBefore = threads();
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
    EXPECT_TRUE(FramesGrowBy(10));
    link_->Stop();
    camera_->Stop();
    EXPECT_EQ(threads(), threadsBefore);
}

}  // namespace
