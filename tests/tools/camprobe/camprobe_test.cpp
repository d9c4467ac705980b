// camprobe run as a program against the simulated camera: its report lines, JSON and exit status
// when pictures flow after the camera was late, when the identification or the stream fails, and
// with a snapshot and a recording in a root of its own. What the link does is the link suites'.
// And the camsim program's own loopback guard (the link's suites drive the simulator as the
// camera).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <tuple>

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

// A camera that listens only 1.5 s after the probe starts is no failure: the probe waits for
// pictures up to the run's length, and its lines and JSON say how the link got there. The camera
// type option skips the model query for this run; the snapshot and the recording land under
// --root and are named in the JSON, which stays valid with a quote in the root's name.
TEST(Camprobe, LateCameraSnapshotAndRecordingAreReportedInTheLinesAndTheJson) {
    CameraConfig late = vyr::test::SmallCamera();
    late.streamKind = vyr::camsim::StreamKind::Mjpeg;
    late.startDelay = std::chrono::milliseconds(1500);
    const auto camera = vyr::test::StartLoopbackCamera(late);
    ASSERT_TRUE(camera);
    vyr::test::TempDir folder;
    const fs::path root = folder.path() / "probe \"root\"";
    const Probe probe = RunProbe(*camera,
                                 "--camera-type 1 --root " + vyr::test::ShellQuote(root.string()) +
                                     " --patient 0571 --snapshot --record 1 --seconds 4 --json",
                                 folder.path());
    const std::string& out = probe.output;
    ASSERT_EQ(probe.exitCode, 0) << out;
    for (const char* line :
         {"link: no camera, connections 0\n", "link: streaming, connections 1\n",
          ", connections 1, state streaming\n", "model reply: not asked (camera type set)\n",
          "stream: mjpeg, 640x360\n"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
    }
    EXPECT_EQ(camera->ModelConnections(), 0u);
    EXPECT_EQ(probe.json["mode"].toString(), "mjpeg");
    EXPECT_EQ(probe.json["width"].toInt(), 640);
    EXPECT_EQ(probe.json["height"].toInt(), 360);
    EXPECT_GT(probe.json["frames_decoded"].toInt(), 0);
    EXPECT_EQ(probe.json["connections"].toInt(), 1);
    EXPECT_EQ(probe.json["state"].toString(), "streaming");

    const std::string snapshot = probe.json["snapshot"].toString().toStdString();
    EXPECT_EQ(fs::path(snapshot).parent_path(), root / "jpg" / "0571");
    const QJsonArray recordings = probe.json["recordings"].toArray();
    ASSERT_EQ(recordings.size(), 1);
    const fs::path video = recordings[0].toString().toStdString();
    EXPECT_EQ(video.parent_path(), root / "video");
    const QJsonArray events = probe.json["events"].toArray();
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0]["code"].toInt(), 11);
    EXPECT_EQ(events[0]["path"].toString().toStdString(), snapshot);
}

// The model reply line says what the identification gave; a run without pictures fails with a
// one-line reason; bad options exit with status 2.
TEST(Camprobe, FailuresGiveAOneLineReasonAndNonZeroStatus) {
    using vyr::camsim::ModelBehaviour;
    using vyr::camsim::StreamBehaviour;
    // Model query, stream, the model reply line and the reason.
    const std::tuple<ModelBehaviour, StreamBehaviour, const char*, const char*> cases[] = {
        {ModelBehaviour::AcceptThenSilent, StreamBehaviour::Stream, "no answer to the model query",
         "no answer to the model query"},
        {ModelBehaviour::NotListening, StreamBehaviour::Stream, "model query: connection refused",
         "model query: connection refused"},
        {ModelBehaviour::Answer, StreamBehaviour::AcceptThenSilent, "H264_CAM",
         "no picture within 1 s"},
    };
    vyr::test::TempDir folder;
    for (const auto& [model, stream, modelReply, reason] : cases) {
        CameraConfig config = vyr::test::SmallCamera();
        config.modelText = "H264_CAM";
        config.modelBehaviour = model;
        config.streamBehaviour = stream;
        const auto camera = vyr::test::StartLoopbackCamera(config);
        ASSERT_TRUE(camera);
        const Probe probe = RunProbe(*camera, "--seconds 1 --json", folder.path());
        const std::string& out = probe.output;
        EXPECT_EQ(probe.exitCode, 1) << out;
        EXPECT_NE(out.find("model reply: " + std::string(modelReply) + "\n"), std::string::npos)
            << out;
        EXPECT_NE(out.find("camprobe: " + std::string(reason) + "\n"), std::string::npos) << out;
        EXPECT_EQ(probe.json["frames_decoded"].toInt(-1), 0) << out;
    }
    EXPECT_EQ(vyr::test::RunCommand(CAMPROBE_PATH " --seconds 1 2>&1").exitCode, 2);
}

// camsim refuses addresses outside loopback, for its own sockets and for the client it sends button
// commands to: a development tool must never reach the camera's real subnet.
TEST(CamsimProgram, RefusesAddressesOutsideLoopback) {
    for (const char* option : {"--address", "--client"}) {
        const auto result = vyr::test::RunCommand(vyr::test::ShellQuote(CAMSIM_PROGRAM) + " " +
                                                  option + " 10.9.8.7 --send quit 2>&1");
        EXPECT_NE(result.exitCode, 0) << option;
        EXPECT_NE(result.output.find("127.0.0.0/8"), std::string::npos) << result.output;
    }
}

}  // namespace
