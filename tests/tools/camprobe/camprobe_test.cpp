// camprobe run as a program against the simulated camera: its report and exit status when
// pictures flow, when the camera does not answer and when nothing listens; a snapshot, a recording
// and the camera's button and upload while it runs, read back from its folders and its JSON.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"
#include "tools/camsim/camera_button.h"

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
                                std::to_string(camera.StreamPort()) +
                                " --control-port 0 --picture-port 0 " + extra + " 2>&1";
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
    EXPECT_NE(probe.output.find(", connections 1, state streaming\n"), std::string::npos);
    EXPECT_NE(probe.output.find("\"connections\": 1, \"state\": \"streaming\""), std::string::npos);
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

TEST(Camprobe, LateCameraIsWaitedForWithinTheRun) {
    CameraConfig late = SmallCamera();
    late.startDelay = std::chrono::milliseconds(2000);  // bound, listening only 2 s from now
    Camera camera(late);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    const Probe probe = RunProbe(camera, "--seconds 5 --json");
    EXPECT_EQ(probe.exitCode, 0) << probe.output;
    EXPECT_NE(probe.output.find("link: no camera, connections 0\n"), std::string::npos)
        << probe.output;
    EXPECT_NE(probe.output.find("link: streaming, connections 1\n"), std::string::npos);
    EXPECT_NE(probe.output.find("\"connections\": 1, \"state\": \"streaming\""), std::string::npos);
}

// camprobe started with popen, read line by line while it runs.
class RunningProbe {
public:
    explicit RunningProbe(const std::string& command) : pipe_(::popen(command.c_str(), "r")) {}
    ~RunningProbe() { Finish(); }

    // The next line, with its line feed, appended to output(); false at the end.
    bool ReadLine(std::string* line) {
        line->clear();
        char buffer[4096];
        while (pipe_ != nullptr && std::fgets(buffer, sizeof buffer, pipe_) != nullptr) {
            *line += buffer;
            if (line->back() == '\n') {
                break;
            }
        }
        output_ += *line;
        return !line->empty();
    }
    // Reads to the end and returns the exit status.
    int Finish() {
        std::string line;
        while (ReadLine(&line)) {
        }
        if (pipe_ != nullptr) {
            const int status = ::pclose(pipe_);
            pipe_ = nullptr;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exitCode_;
    }
    const std::string& output() const { return output_; }

private:
    FILE* pipe_;
    std::string output_;
    int exitCode_ = -1;
};

std::string PathText(const QJsonValue& value) {
    return value.toString().toStdString();
}

TEST(Camprobe, SnapshotRecordingAndCameraEventsLandInTheRootAndTheJson) {
    namespace fs = std::filesystem;
    CameraConfig config = SmallCamera();
    config.streamKind = vyr::camsim::StreamKind::Mjpeg;
    config.width = 1280;  // a frame of this size is over the upload minimum of 10240 bytes
    config.height = 1024;
    Camera camera(config);
    ASSERT_TRUE(camera.Start()) << camera.LastError();
    vyr::test::TempDir folder;
    // A quote in the root's name: the paths in the JSON must stay valid strings.
    const fs::path root = folder.path() / "probe \"root\"";
    const fs::path photos = root / "jpg" / "0571";
    RunningProbe probe("cd " + vyr::test::ShellQuote(folder.path().string()) +
                       " && " CAMPROBE_PATH " --camera 127.0.0.2 --stream-port " +
                       std::to_string(camera.StreamPort()) +
                       " --camera-type 1 --control-port 0 --picture-port 0 --root " +
                       vyr::test::ShellQuote(root.string()) +
                       " --patient 0571 --snapshot --record 1 --listen --seconds 3 --json 2>&1");
    vyr::camsim::ButtonTarget control;
    vyr::camsim::ButtonTarget picture;
    std::string line;
    while (control.port == 0 && probe.ReadLine(&line)) {
        const auto at = line.find("servers: control ");
        if (at != std::string::npos) {
            ASSERT_EQ(std::sscanf(line.c_str() + at, "servers: control %hu picture %hu",
                                  &control.port, &picture.port),
                      2)
                << line;
        }
    }
    ASSERT_NE(control.port, 0) << probe.output();
    EXPECT_TRUE(vyr::camsim::SendControlCode(control, vyr::camsim::kDeleteAll).ok());
    const std::vector<uint8_t>& jpeg = camera.Frames().frames.at(0);
    ASSERT_GT(jpeg.size(), 10240u);  // the picture server's minimum
    EXPECT_TRUE(vyr::camsim::SendPicture(picture, "IMG_20310709_100030123.jpg", jpeg).ok());

    ASSERT_EQ(probe.Finish(), 0) << probe.output();
    const std::string& output = probe.output();
    const std::string uploaded = (photos / "IMG_20310709_100030.bmp").string();
    EXPECT_NE(output.find("event: code 6\n"), std::string::npos) << output;
    EXPECT_NE(output.find("event: code 1 path " + uploaded + "\n"), std::string::npos);

    const auto jsonAt = output.rfind("\n{");
    ASSERT_NE(jsonAt, std::string::npos);
    QJsonParseError error{};
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(output.substr(jsonAt + 1)), &error)
            .object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << output.substr(jsonAt + 1);

    const std::string snapshot = PathText(json["snapshot"]);
    EXPECT_EQ(fs::path(snapshot).parent_path(), photos);
    EXPECT_EQ(QImage(QString::fromStdString(snapshot)).size(), QSize(1280, 1024));
    const QJsonArray recordings = json["recordings"].toArray();
    ASSERT_EQ(recordings.size(), 1);
    const fs::path video = PathText(recordings[0]);
    EXPECT_EQ(video.parent_path(), root / "video");
    EXPECT_EQ(video.extension(), ".avi");
    EXPECT_GT(fs::file_size(video), 0u);

    // Arrival order between the probe's own snapshot and the camera's two events is free.
    std::vector<std::pair<int, std::string>> events;
    for (const QJsonValue& event : json["events"].toArray()) {
        events.emplace_back(event["code"].toInt(), PathText(event["path"]));
    }
    std::sort(events.begin(), events.end());
    const std::vector<std::pair<int, std::string>> expected = {
        {1, uploaded}, {6, ""}, {11, snapshot}};
    EXPECT_EQ(events, expected);
    EXPECT_FALSE(QImage(QString::fromStdString(uploaded)).isNull());
}

}  // namespace
