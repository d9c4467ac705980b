// camprobe run as a program against the simulated camera: its report lines, JSON and exit status
// when pictures flow after the camera was late, when the identification or the stream fails, and
// with a snapshot and a recording in a root of its own. What the link does is the link suites'.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "support/loopback_camera.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vyr::camsim::CameraConfig;

struct Probe {
    int exitCode;
    std::string output;  // standard output and error
    QJsonObject json;    // the last line that starts with '{', when there is one
};

// camprobe in a working folder of its own (its language.ini) against camera.
Probe RunProbe(const vyr::camsim::Camera& camera, const std::string& options,
               const fs::path& folder) {
    // A camera that does not listen for the model query has no port: port 1, where nothing
    // listens, stands in for it.
    const uint16_t modelPort = camera.ModelPort() != 0 ? camera.ModelPort() : 1;
    const auto result = vyr::test::RunCommand(
        "cd " + vyr::test::ShellQuote(folder.string()) +
        " && " CAMPROBE_PATH " --camera 127.0.0.2 --model-port " + std::to_string(modelPort) +
        " --stream-port " + std::to_string(camera.StreamPort()) +
        " --control-port 0 --picture-port 0 " + options + " 2>&1");
    Probe probe{result.exitCode, result.output, {}};
    const auto jsonAt = result.output.rfind("\n{");
    if (jsonAt != std::string::npos) {
        const std::string line = result.output.substr(jsonAt + 1);
        QJsonParseError error{};
        probe.json = QJsonDocument::fromJson(
                         QByteArray::fromStdString(line.substr(0, line.find('\n'))), &error)
                         .object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    }
    return probe;
}

CameraConfig H264Camera() {
    CameraConfig config = vyr::test::SmallCamera();
    config.modelText = "H264_CAM";
    return config;
}

// A camera that listens only 1.5 s after the probe starts is no failure: the probe waits for
// pictures up to the run's length, and its lines and JSON say how the link got there.
TEST(Camprobe, LateCameraIsWaitedForAndTheStreamReported) {
    CameraConfig late = H264Camera();
    late.startDelay = std::chrono::milliseconds(1500);
    const auto camera = vyr::test::StartLoopbackCamera(late);
    ASSERT_TRUE(camera);
    vyr::test::TempDir folder;
    const Probe probe = RunProbe(*camera, "--seconds 4 --json", folder.path());
    const std::string& out = probe.output;
    EXPECT_EQ(probe.exitCode, 0) << out;
    for (const char* line : {"link: no camera, connections 0\n", "link: streaming, connections 1\n",
                             ", connections 1, state streaming\n", "model reply: H264_CAM\n",
                             "stream: h264, 640x360\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
    }
    EXPECT_EQ(probe.json["model"].toString(), "H264_CAM");
    EXPECT_EQ(probe.json["mode"].toString(), "h264");
    EXPECT_EQ(probe.json["width"].toInt(), 640);
    EXPECT_EQ(probe.json["height"].toInt(), 360);
    EXPECT_GT(probe.json["frames_decoded"].toInt(), 0);
    EXPECT_EQ(probe.json["connections"].toInt(), 1);
    EXPECT_EQ(probe.json["state"].toString(), "streaming");
    EXPECT_EQ(camera->StreamConnections(), 1u);
}

TEST(Camprobe, FailuresGiveAOneLineReasonAndNonZeroStatus) {
    struct Case {
        vyr::camsim::ModelBehaviour model;
        vyr::camsim::StreamBehaviour stream;
        const char* reason;
    };
    const Case cases[] = {
        {vyr::camsim::ModelBehaviour::AcceptThenSilent, vyr::camsim::StreamBehaviour::Stream,
         "camprobe: no answer to the model query\n"},
        {vyr::camsim::ModelBehaviour::NotListening, vyr::camsim::StreamBehaviour::Stream,
         "camprobe: model query: connection refused\n"},
        {vyr::camsim::ModelBehaviour::Answer, vyr::camsim::StreamBehaviour::AcceptThenSilent,
         "camprobe: no picture within 1 s\n"},
    };
    vyr::test::TempDir folder;
    for (const Case& c : cases) {
        CameraConfig config = H264Camera();
        config.modelBehaviour = c.model;
        config.streamBehaviour = c.stream;
        const auto camera = vyr::test::StartLoopbackCamera(config);
        ASSERT_TRUE(camera);
        const Probe probe = RunProbe(*camera, "--seconds 1 --json", folder.path());
        EXPECT_EQ(probe.exitCode, 1) << probe.output;
        EXPECT_NE(probe.output.find(c.reason), std::string::npos) << probe.output;
        EXPECT_EQ(probe.json["frames_decoded"].toInt(-1), 0) << probe.output;
    }
    EXPECT_EQ(vyr::test::RunCommand(CAMPROBE_PATH " --seconds 1 2>&1").exitCode, 2);
}

// The camera type option skips the model query for this run; the snapshot and the recording land
// under --root and are named in the JSON, which stays valid with a quote in the root's name.
TEST(Camprobe, SnapshotAndRecordingLandInTheRootAndTheJson) {
    CameraConfig config = vyr::test::SmallCamera();
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    const auto camera = vyr::test::StartLoopbackCamera(config);
    ASSERT_TRUE(camera);
    vyr::test::TempDir folder;
    const fs::path root = folder.path() / "probe \"root\"";
    const Probe probe = RunProbe(*camera,
                                 "--camera-type 1 --root " + vyr::test::ShellQuote(root.string()) +
                                     " --patient 0571 --snapshot --record 1 --seconds 3 --json",
                                 folder.path());
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("model reply: not asked"), std::string::npos);
    EXPECT_EQ(camera->ModelConnections(), 0u);

    const std::string snapshot = probe.json["snapshot"].toString().toStdString();
    EXPECT_EQ(fs::path(snapshot).parent_path(), root / "jpg" / "0571");
    EXPECT_EQ(QImage(QString::fromStdString(snapshot)).size(), QSize(640, 360));
    const QJsonArray recordings = probe.json["recordings"].toArray();
    ASSERT_EQ(recordings.size(), 1);
    const fs::path video = recordings[0].toString().toStdString();
    EXPECT_EQ(video.parent_path(), root / "video");
    EXPECT_EQ(video.extension(), ".avi");
    EXPECT_GT(fs::file_size(video), 0u);
    const QJsonArray events = probe.json["events"].toArray();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0]["code"].toInt(), 11);
    EXPECT_EQ(events[0]["path"].toString().toStdString(), snapshot);
}

}  // namespace
