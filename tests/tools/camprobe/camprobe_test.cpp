// camprobe run as a program against the simulated camera: its report and exit status when
// pictures flow, when the camera does not answer and when nothing listens.
#include <gtest/gtest.h>

#include <string>

#include "support/run_command.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"

namespace {

using vyr::camsim::Camera;
using vyr::camsim::CameraConfig;

struct Probe {
    int exitCode;
    std::string output;
};

// A camera that does not listen for the model query has no port: port 1 on 127.0.0.2, where
// nothing listens, stands in for it.
uint16_t ModelPortOf(const Camera& camera) {
    return camera.ModelPort() != 0 ? camera.ModelPort() : 1;
}

Probe RunProbe(const Camera& camera, const std::string& extra) {
    vyr::test::TempDir folder;  // language.ini of the probe's own working folder
    const std::string command = "cd " + vyr::test::ShellQuote(folder.path().string()) +
                                " && " CAMPROBE_PATH " --camera 127.0.0.2 --model-port " +
                                std::to_string(ModelPortOf(camera)) + " --stream-port " +
                                std::to_string(camera.StreamPort()) + " " + extra + " 2>&1";
    const auto result = vyr::test::RunCommand(command);
    return {result.exitCode, result.output};
}

CameraConfig SmallCamera() {
    CameraConfig config;
    config.modelPort = 0;
    config.streamPort = 0;
    config.width = 640;
    config.height = 480;
    config.loopFrames = 25;
    config.modelText = "H264_CAM";
    return config;
}

TEST(Camprobe, ReportsTheStreamWhenPicturesFlow) {
    Camera camera(SmallCamera());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const Probe probe = RunProbe(camera, "--seconds 2 --json");
    EXPECT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("model reply: H264_CAM"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("stream: h264, 640x480"), std::string::npos);
    EXPECT_NE(probe.output.find("second 2: frames decoded"), std::string::npos);
    EXPECT_NE(probe.output.find("{\"model\": \"H264_CAM\", \"mode\": \"h264\", \"width\": 640, "
                                "\"height\": 480, \"frames_decoded\": "),
              std::string::npos)
        << probe.output;
    EXPECT_EQ(camera.StreamConnections(), 1u);
}

TEST(Camprobe, CameraTypeOptionSkipsTheModelQueryForThisRunOnly) {
    Camera camera(SmallCamera());
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const Probe probe = RunProbe(camera, "--seconds 1 --camera-type 2");
    EXPECT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("model reply: not asked"), std::string::npos);
    EXPECT_EQ(camera.ModelConnections(), 0u);
}

TEST(Camprobe, FailuresGiveAOneLineReasonAndNonZeroStatus) {
    CameraConfig silent = SmallCamera();
    silent.modelBehaviour = vyr::camsim::ModelBehaviour::AcceptThenSilent;
    Camera silentCamera(silent);
    ASSERT_TRUE(silentCamera.Start());
    Probe probe = RunProbe(silentCamera, "--seconds 1");
    EXPECT_EQ(probe.exitCode, 1);
    EXPECT_NE(probe.output.find("camprobe: no answer to the model query\n"), std::string::npos)
        << probe.output;

    CameraConfig absent = SmallCamera();
    absent.modelBehaviour = vyr::camsim::ModelBehaviour::NotListening;
    Camera absentCamera(absent);
    ASSERT_TRUE(absentCamera.Start());
    probe = RunProbe(absentCamera, "--seconds 1");
    EXPECT_EQ(probe.exitCode, 1);
    EXPECT_NE(probe.output.find("camprobe: model query: connection refused\n"), std::string::npos)
        << probe.output;

    CameraConfig quiet = SmallCamera();
    quiet.streamBehaviour = vyr::camsim::StreamBehaviour::AcceptThenSilent;
    Camera quietCamera(quiet);
    ASSERT_TRUE(quietCamera.Start());
    probe = RunProbe(quietCamera, "--seconds 1 --json");
    EXPECT_EQ(probe.exitCode, 1);
    EXPECT_NE(probe.output.find("camprobe: no picture within 1 s\n"), std::string::npos)
        << probe.output;
    EXPECT_NE(probe.output.find("\"frames_decoded\": 0"), std::string::npos);

    EXPECT_EQ(vyr::test::RunCommand(CAMPROBE_PATH " --seconds 1 2>&1").exitCode, 2);
}

}  // namespace
