// The camera link against the simulated camera on loopback: identification from the camera type
// or the model reply, the time message, the stream's pictures at their size and colours, silent
// cameras (start and stop cycles: link_reconnect_test.cpp).
#include "link/camera_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "link/stream_connection.h"
#include "settings/settings_file.h"
#include "support/recording_sink.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"
#include "tools/camsim/test_pattern.h"

namespace {

using namespace std::chrono_literals;
using vyr::Globals;
using vyr::camsim::Camera;
using vyr::camsim::CameraConfig;

class CameraLinkTest : public testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.path());
    }
    void TearDown() override {
        link_.reset();
        camera_.reset();
        vyr::SetLocalTimeSourceForTest(nullptr);
        std::filesystem::current_path(previousFolder_);
    }

    void WriteCameraType(int32_t type) {
        vyr::Settings settings;
        settings.cameraType = type;
        ASSERT_EQ(vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(settings)),
                  0);
    }

    // A camera on 127.0.0.2 with ports of its own choosing, and a link pointed at it.
    void StartCamera(CameraConfig config) {
        config.modelPort = 0;
        config.streamPort = 0;
        config.loopFrames = std::min(config.loopFrames, 25);
        camera_ = std::make_unique<Camera>(config);
        ASSERT_TRUE(camera_->Start()) << camera_->LastError();
        link_ = std::make_unique<vyr::CCameraLink>();
        link_->SetDeviceIp("127.0.0.2");
        vyr::LinkPorts ports;
        ports.modelQuery = camera_->ModelPort();
        ports.stream = camera_->StreamPort();
        ports.control = 0;  // the link's own servers on ports of their own choosing
        ports.picture = 0;
        link_->SetPorts(ports);
    }

    bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    void ExpectPatternColours(int width, int height) {
        for (const auto& patch : vyr::camsim::TestPatternPatches(width, height)) {
            SCOPED_TRACE(patch.name);
            const auto bgr = sink_.Pixel(patch.x + patch.width / 2, patch.y + patch.height / 2);
            EXPECT_NEAR(bgr[0], patch.colour.b, 16);
            EXPECT_NEAR(bgr[1], patch.colour.g, 16);
            EXPECT_NEAR(bgr[2], patch.colour.r, 16);
        }
    }

    vyr::test::TempDir folder_;
    std::filesystem::path previousFolder_;
    std::unique_ptr<Camera> camera_;
    std::unique_ptr<vyr::CCameraLink> link_;
    vyr::test::RecordingSink sink_;
};

TEST_F(CameraLinkTest, CameraTypeSettingSkipsTheModelQuery) {
    WriteCameraType(1);
    Globals().frameWidth.store(1280);
    Globals().frameHeight.store(1024);
    CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = 640;
    config.height = 480;
    StartCamera(config);
    link_->Start(nullptr, &sink_);
    ASSERT_TRUE(WaitFor([&] { return link_->IsConnected() == 1; }));
    EXPECT_EQ(Globals().mjpegMode.load(), 1);
    EXPECT_EQ(Globals().frameWidth.load(), 1280);  // unchanged
    EXPECT_EQ(camera_->ModelConnections(), 0u);
    link_->Stop();
    EXPECT_EQ(link_->IsConnected(), 0);
}

TEST_F(CameraLinkTest, ModelTextChoosesTheStreamKind) {
    WriteCameraType(0);
    struct Case {
        const char* model;
        int mjpeg, width, height;
    };
    const Case cases[] = {{"A1280_QD417V-B", 1, 1280, 1024}, {"QD417V", 1, 1920, 1080}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        CameraConfig config;
        config.modelText = c.model;
        config.streamKind = vyr::camsim::StreamKind::Mjpeg;
        config.width = 320;
        config.height = 240;
        // No pictures: the Motion-JPEG path would fix the display size from the first one.
        config.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
        StartCamera(config);
        link_->Start(nullptr, &sink_);
        ASSERT_TRUE(WaitFor([&] { return link_->IsConnected() == 1; }));
        EXPECT_EQ(Globals().mjpegMode.load(), c.mjpeg);
        EXPECT_EQ(Globals().frameWidth.load(), c.width);
        EXPECT_EQ(Globals().frameHeight.load(), c.height);
        EXPECT_EQ(camera_->ModelQueriesAnswered(), 1u);
        EXPECT_EQ(link_->shared().LastModelReport().modelText, c.model);
        link_->Stop();
    }
}

TEST_F(CameraLinkTest, FailedIdentificationMakesNoStreamConnection) {
    WriteCameraType(0);
    CameraConfig refused;
    refused.replyCode = 11;
    StartCamera(refused);
    link_->Start(nullptr, &sink_);
    ASSERT_TRUE(camera_->WaitUntil([&] { return camera_->ModelConnections() == 1; }, 5s));
    ASSERT_TRUE(WaitFor([&] { return link_->shared().LastModelReport().asked; }));
    EXPECT_EQ(link_->shared().LastModelReport().result, vyr::kModelQueryNoSocketOrBadReply);
    link_->Stop();
    EXPECT_EQ(camera_->StreamConnections(), 0u);
    EXPECT_EQ(link_->IsConnected(), 0);

    CameraConfig absent;
    absent.modelBehaviour = vyr::camsim::ModelBehaviour::NotListening;
    StartCamera(absent);
    link_->Start(nullptr, &sink_);
    ASSERT_TRUE(WaitFor([&] { return link_->shared().LastModelReport().asked; }));
    EXPECT_EQ(link_->shared().LastModelReport().result, vyr::kModelQueryRefused);
    link_->Stop();
    EXPECT_EQ(camera_->StreamConnections(), 0u);
}

std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 2031 - 1900;
    t.tm_mon = 6;
    t.tm_mday = 9;
    t.tm_hour = 8;
    t.tm_min = 7;
    t.tm_sec = 6;
    return t;
}

TEST_F(CameraLinkTest, H264PicturesArriveWithTheirSizeAndColoursAfterTheTimeMessage) {
    WriteCameraType(0);
    vyr::SetLocalTimeSourceForTest(&FixedTime);
    for (const auto& [width, height] : {std::pair{1920, 1080}, {1280, 1024}, {1280, 720}}) {
        SCOPED_TRACE(width * 10000 + height);
        CameraConfig config;
        config.modelText = "H264_CAM";
        config.width = width;
        config.height = height;
        config.fps = 50;
        StartCamera(config);
        const int before = sink_.frames();
        link_->Start(nullptr, &sink_);
        ASSERT_TRUE(sink_.WaitForFrames(before + 5));
        EXPECT_EQ(sink_.width(), width);
        EXPECT_EQ(sink_.height(), height);
        ExpectPatternColours(width, height);
        EXPECT_EQ(Globals().mjpegMode.load(), 0);
        const auto time = camera_->LastTimeMessage();
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(*time, (vyr::TimeSyncMessage{0x5F, 0x6F, 0, 0, 31, 7, 9, 8, 7, 6, 0x0B, 0}));
        link_->Stop();
    }
}

TEST_F(CameraLinkTest, ShortStreamGivesOneBlockAndTheConsoleLineThenTheLinkConnectsAgain) {
    WriteCameraType(2);
    CameraConfig config;
    config.streamKind = vyr::camsim::StreamKind::RawBytes;
    config.rawBytes.assign(4100, 0x5A);
    StartCamera(config);
    testing::internal::CaptureStdout();
    link_->Start(nullptr, &sink_);
    ASSERT_TRUE(camera_->WaitUntil([&] { return camera_->StreamConnections() >= 2; }, 10s));
    ASSERT_TRUE(WaitFor([&] { return link_->shared().counters.blocksReceived.load() >= 1; }));
    link_->Stop();
    // Each connection gives one whole block; the 4 bytes behind it are lost with the line.
    std::string output = testing::internal::GetCapturedStdout();
    const std::string serverLine = "tcpserver_thr=====: start receive!\n";
    for (size_t at; (at = output.find(serverLine)) != std::string::npos;) {
        output.erase(at, serverLine.size());
    }
    const std::string brokenLine = "net enviorment is so bad!\n";
    ASSERT_GE(output.size(), brokenLine.size());
    for (size_t at = 0; at < output.size(); at += brokenLine.size()) {
        ASSERT_EQ(output.substr(at, brokenLine.size()), brokenLine) << output;
    }
    EXPECT_LE(link_->shared().counters.blocksReceived.load(), camera_->StreamConnections());
}

TEST_F(CameraLinkTest, SilentCameraDoesNotHoldStop) {
    WriteCameraType(0);
    for (const bool silentModel : {true, false}) {
        SCOPED_TRACE(silentModel ? "silent model query" : "silent stream");
        CameraConfig config;
        if (silentModel) {
            config.modelBehaviour = vyr::camsim::ModelBehaviour::AcceptThenSilent;
        } else {
            config.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
        }
        StartCamera(config);
        link_->Start(nullptr, &sink_);
        if (silentModel) {
            ASSERT_TRUE(camera_->WaitUntil([&] { return camera_->ModelConnections() == 1; }, 5s));
        } else {
            ASSERT_TRUE(WaitFor([&] { return link_->IsConnected() == 1; }));
        }
        std::this_thread::sleep_for(50ms);  // the worker is now blocked in its receive
        const auto start = std::chrono::steady_clock::now();
        link_->Stop();  // returns once every worker has ended
        EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    }
}

TEST_F(CameraLinkTest, StreamConnectionLeavesFromTheLocalAddressAndPort) {
    WriteCameraType(2);
    StartCamera(CameraConfig{});
    link_->SetLocalAddress("127.0.0.1");
    link_->Start(nullptr, &sink_);
    ASSERT_TRUE(WaitFor([&] { return link_->IsConnected() == 1; }));
    const auto peer = camera_->LastStreamPeer();
    ASSERT_TRUE(peer.has_value());
    EXPECT_EQ(peer->address, "127.0.0.1");
    EXPECT_EQ(peer->port, camera_->StreamPort());
    link_->Stop();
}

}  // namespace
