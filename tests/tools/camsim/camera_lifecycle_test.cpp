// Start and Stop of the camera around clients that misbehave: Stop returns promptly with silent
// clients and with a client that stops reading, a new client takes over the stream, the camera
// restarts, refuses addresses outside loopback and busy ports, and records the frames it sent.
#include <future>

#include "camera_fixture.h"
#include "raw_socket.h"

namespace vyr::camsim {
namespace {

// Stop runs on its own thread so that a hang fails the test instead of blocking it. The bound is
// a hang check, far above the few milliseconds Stop takes.
void ExpectStopReturns(Camera* camera) {
    auto stopped = std::async(std::launch::async, [camera] { camera->Stop(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready) << "Stop hangs";
    EXPECT_FALSE(camera->IsRunning());
}

TEST(CameraLifecycle, StopWithSilentClientsOnBothServers) {
    CameraConfig config = TestConfig(StreamKind::RawBytes);
    config.modelBehaviour = ModelBehaviour::AcceptThenSilent;
    config.streamBehaviour = StreamBehaviour::AcceptThenSilent;
    config.requestTimeout = 60s;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket model = test::ConnectTo("127.0.0.2", camera.ModelPort());
    test::Socket streamWithTime =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
    ASSERT_TRUE(camera.WaitUntil(
        [&] { return camera.ModelConnections() == 1 && camera.LastTimeMessage().has_value(); },
        5s));
    ExpectStopReturns(&camera);
    bool closed = false;
    streamWithTime.ReceiveUntilClosed(5s, &closed);
    EXPECT_TRUE(closed);
}

TEST(CameraLifecycle, StopWhileWaitingForATimeMessage) {
    CameraConfig config = TestConfig(StreamKind::RawBytes);
    config.requestTimeout = 60s;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket mute = test::ConnectTo("127.0.0.2", camera.StreamPort());
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.StreamConnections() == 1; }, 5s));
    ExpectStopReturns(&camera);
    EXPECT_FALSE(camera.LastTimeMessage().has_value());
}

TEST(CameraLifecycle, ShortTimeMessageIsNotTakenAndTheNextClientIsServed) {
    CameraConfig config = TestConfig(StreamKind::RawBytes);
    config.rawBytes = {1, 2, 3};
    config.requestTimeout = 300ms;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    {
        test::Socket partial = test::ConnectTo("127.0.0.2", camera.StreamPort());
        ASSERT_TRUE(partial.SendAll({0x5F, 0x6F, 0, 0, 26}));
        bool closed = false;
        EXPECT_TRUE(partial.ReceiveUntilClosed(5s, &closed).empty());
        EXPECT_TRUE(closed) << "the camera gives up on a client without a time message";
    }
    EXPECT_FALSE(camera.LastTimeMessage().has_value());
    test::Socket good =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(good.Receive(3, 5s), config.rawBytes);
}

TEST(CameraLifecycle, StopWhileTheClientDoesNotRead) {
    CameraConfig config = TestConfig();
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket sluggish =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.BytesSent() > 0; }, 10s));
    ExpectStopReturns(&camera);
}

TEST(CameraLifecycle, NewClientTakesOverTheStream) {
    Camera camera(TestConfig());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket first =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
    ASSERT_EQ(first.Receive(4096, 10s).size(), 4096u);
    test::Socket second =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 1));
    bool closed = false;
    first.ReceiveUntilClosed(10s, &closed);
    EXPECT_TRUE(closed) << "the old connection ends";
    const std::vector<uint8_t> start = second.Receive(4096, 10s);
    ASSERT_EQ(start.size(), 4096u);
    EXPECT_EQ(std::vector<uint8_t>(start.begin(), start.begin() + 5),
              (std::vector<uint8_t>{0, 0, 0, 1, 0x67}))
        << "a new connection starts at the SPS";
    EXPECT_EQ(camera.StreamConnections(), 2u);
    EXPECT_EQ(camera.LastStreamPeer()->port, second.LocalPort());
}

TEST(CameraLifecycle, RestartsAndServesAgain) {
    Camera camera(TestConfig());
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(camera.Start()) << camera.LastError();
        test::Socket socket =
            test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
        EXPECT_EQ(socket.Receive(8192, 10s).size(), 8192u) << "run " << run;
        ExpectStopReturns(&camera);
    }
    EXPECT_EQ(camera.StreamConnections(), 3u);
}

TEST(CameraLifecycle, RefusesAddressesOutsideLoopbackAndBusyPorts) {
    CameraConfig outside = TestConfig(StreamKind::RawBytes);
    outside.address = "10.1.2.3";
    Camera refused(outside);
    EXPECT_FALSE(refused.Start());
    EXPECT_NE(refused.LastError().find("127.0.0.0/8"), std::string::npos) << refused.LastError();

    Camera first(TestConfig(StreamKind::RawBytes));
    ASSERT_TRUE(first.Start()) << first.LastError();
    CameraConfig same = TestConfig(StreamKind::RawBytes);
    same.streamPort = first.StreamPort();
    Camera second(same);
    EXPECT_FALSE(second.Start());
    EXPECT_FALSE(second.IsRunning());
    EXPECT_NE(second.LastError().find(std::to_string(first.StreamPort())), std::string::npos);
}

TEST(CameraLifecycle, FrameSendsAreRecordedInOrder) {
    std::mutex mutex;
    std::vector<FrameSend> reported;
    CameraConfig config = TestConfig();
    config.onFrameSent = [&](const FrameSend& send) {
        std::lock_guard lock(mutex);
        reported.push_back(send);
    };
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    test::Socket socket =
        test::OpenStream(camera.StreamPort(), test::MakeTimeMessage(2026, 1, 1, 0, 0, 0));
    ASSERT_EQ(socket.Receive(64 * 4096, 10s).size(), 64u * 4096);
    ASSERT_TRUE(camera.WaitUntil([&] { return camera.FramesSent() >= 10; }, 10s));
    camera.Stop();
    const std::vector<FrameSend> recent = camera.RecentFrameSends();
    ASSERT_EQ(recent.size(), std::min<uint64_t>(camera.FramesSent(), 1024));
    for (size_t i = 1; i < recent.size(); ++i) {
        EXPECT_EQ(recent[i].frameIndex, recent[i - 1].frameIndex + 1);
        EXPECT_GE(recent[i].lastByteSent, recent[i - 1].lastByteSent);
        EXPECT_EQ(recent[i].connection, 1u);
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(reported.size(), camera.FramesSent());
    EXPECT_GE(camera.BytesSent(), 64u * 4096);
}

}  // namespace
}  // namespace vyr::camsim
