// Snapshots and recording through a whole link against the simulated camera on 127.0.0.2, for
// H.264 and Motion-JPEG: the camera's button freezes the picture and captures one BMP at the
// stream's size with the pattern's colours, command 0 lets the picture move again, a second
// capture in the same second keeps both files; a full disk loses no file and the next capture
// works; a Motion-JPEG recording cut by Stop gives a closed file that ffprobe reads.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <map>
#include <sstream>

#include "link/camera_link.h"
#include "patients/store/patient_store.h"
#include "settings/settings_file.h"
#include "support/exe_folder.h"
#include "support/file_bytes.h"
#include "support/file_size_limit.h"
#include "support/loopback_camera.h"
#include "support/notification_recorder.h"
#include "support/recording_sink.h"
#include "support/run_command.h"
#include "support/test_clock.h"
#include "support/wait_for.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/test_pattern.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using vyr::camsim::StreamKind;
using vyr::test::WaitFor;

constexpr char kTel[] = "0571";
constexpr int kCameraFps = 25;

class CaptureLinkTest : public testing::TestWithParam<StreamKind> {
protected:
    void SetUp() override {
        const vyr::Settings settings{.cameraType =
                                         IsMjpeg() ? vyr::kCameraTypeMjpeg : vyr::kCameraTypeH264};
        ASSERT_EQ(vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(settings)),
                  0);
        fs::create_directories(Folder());
        fs::create_directories(root_.path() / "video");
        // One of the two display sizes, so that the AVI header (the display size) and the pictures
        // agree for both kinds.
        vyr::camsim::CameraConfig config;
        config.streamKind = GetParam();
        config.width = 1280;
        config.height = 1024;
        config.fps = kCameraFps;
        config.gopFrames = 10;
        config.loopFrames = 20;
        camera_ = vyr::test::StartLoopbackCamera(config);
        ASSERT_NE(camera_, nullptr);
        link_.SetDeviceIp("127.0.0.2");
        link_.SetPorts(vyr::test::LoopbackPorts(*camera_));
        link_.SetExeDir(root_.path().string());
        link_.SetPatientFolderName(kTel);
    }
    void TearDown() override {
        link_.StopRecording();
        link_.Stop();
    }

    bool IsMjpeg() const { return GetParam() == StreamKind::Mjpeg; }
    fs::path Folder() const { return root_.path() / "jpg" / kTel; }
    void StartLink() {
        link_.Start(&notes_, &sink_);
        ASSERT_TRUE(WaitFor([&] { return link_.ControlPort() != 0; }));
        button_.port = link_.ControlPort();
    }
    void Press(uint16_t code, uint8_t param1 = 0, uint8_t param2 = 0) {
        ASSERT_TRUE(vyr::camsim::SendControlCode(button_, code, param1, param2).ok());
    }
    // Waits until the counter has grown by at least `by`.
    static bool Grows(const std::atomic<uint64_t>& counter, uint64_t by) {
        const uint64_t from = counter.load();
        return WaitFor([&] { return counter.load() >= from + by; });
    }

    // ffprobe reads the codec, size and rate, counts as many packets as it decodes pictures and as
    // the header says; the file decodes without error.
    void ExpectReadableRecording(const std::string& path) {
        SCOPED_TRACE(path);
        const auto probe = vyr::test::RunCommand(
            "ffprobe -v error -count_frames -count_packets -select_streams v:0 -show_entries "
            "stream=codec_name,width,height,r_frame_rate,nb_read_frames,nb_read_packets,nb_frames "
            "-of default=nw=1 " +
            vyr::test::ShellQuote(path));
        std::map<std::string, std::string> value;
        std::istringstream lines(probe.output);
        for (std::string line; std::getline(lines, line);) {
            value[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
        EXPECT_EQ(value["codec_name"] + " " + value["width"] + "x" + value["height"] + " " +
                      value["r_frame_rate"],
                  "mjpeg 1280x1024 20/1");
        const double pictures = std::atof(value["nb_read_frames"].c_str());
        ASSERT_GT(pictures, 10) << probe.output;
        EXPECT_NEAR(std::atof(value["nb_read_packets"].c_str()), pictures, pictures * 0.01);
        EXPECT_EQ(value["nb_frames"], value["nb_read_packets"]);
        const auto decode = vyr::test::RunCommand("ffmpeg -v error -i " +
                                                  vyr::test::ShellQuote(path) + " -f null - 2>&1");
        EXPECT_EQ(decode.exitCode, 0) << decode.output;
    }

    vyr::test::ExeFolder root_;
    std::unique_ptr<vyr::camsim::Camera> camera_;
    vyr::CCameraLink link_;
    vyr::test::RecordingSink sink_;
    vyr::test::NotificationRecorder notes_;
    vyr::camsim::ButtonTarget button_;
};

// The button twice within one second, released in between: two snapshot files, the second under
// the numbered name that sorts right after the first.
TEST_P(CaptureLinkTest, ButtonFreezesCapturesOnceReleaseResumesAndASecondCaptureKeepsBoth) {
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    StartLink();
    ASSERT_TRUE(sink_.WaitForFrames(3));
    Press(vyr::camsim::kCapture, 1, 2);
    ASSERT_TRUE(notes_.WaitForCount(2));
    auto entries = notes_.Entries();
    const std::string path = (Folder() / "20310709_100030.bmp").string();
    // Both come as snapshot notices, the control server's record and the decode thread's path,
    // from two threads: the path may be announced before the record.
    if (entries[0].record[0] == '/') {
        std::swap(entries[0], entries[1]);
    }
    EXPECT_TRUE(entries[0].isSnapshot && entries[1].isSnapshot);
    EXPECT_EQ(entries[0].record, (vyr::NotificationRecord{1, 0, 1, 2}));  // the rest zero
    EXPECT_EQ(entries[1].Path(), path);

    const QImage image(QString::fromStdString(path));
    ASSERT_EQ(image.size(), QSize(1280, 1024));
    for (const auto& patch : vyr::camsim::TestPatternPatches(1280, 1024)) {
        SCOPED_TRACE(patch.name);
        const QRgb rgb = image.pixel(patch.x + patch.width / 2, patch.y + patch.height / 2);
        EXPECT_NEAR(qRed(rgb), patch.colour.r, 12);
        EXPECT_NEAR(qGreen(rgb), patch.colour.g, 12);
        EXPECT_NEAR(qBlue(rgb), patch.colour.b, 12);
    }

    // Frozen: pictures keep being decoded, none is drawn, no second snapshot.
    const int drawn = sink_.frames();
    auto& counters = link_.shared().counters;
    ASSERT_TRUE(Grows(counters.framesDecoded, 6));
    EXPECT_EQ(sink_.frames(), drawn);
    EXPECT_EQ(notes_.Count(), 2u);
    EXPECT_EQ(counters.snapshotsTaken.load(), 1u);

    Press(vyr::camsim::kRelease);
    EXPECT_TRUE(sink_.WaitForFrames(drawn + 3));
    ASSERT_TRUE(notes_.WaitForCount(3));
    EXPECT_EQ(notes_.Entries()[2].Code(), 0);

    Press(vyr::camsim::kCapture);
    ASSERT_TRUE(notes_.WaitForCount(5));
    const std::vector<std::string> paths = {path, (Folder() / "20310709_100030_01.bmp").string()};
    std::vector<std::string> announced;
    for (const auto& entry : notes_.Entries()) {
        if (entry.isSnapshot && entry.record[0] == '/') {
            announced.push_back(entry.Path());
        }
    }
    EXPECT_EQ(announced, paths);
    EXPECT_EQ(QImage(QString::fromStdString(paths[1])).size(), QSize(1280, 1024));
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), {}), 2);
}

// A full disk (a file-size limit) fails the snapshot: no file, no path announced, the console says
// why. language.ini and usrinfo.bin keep their bytes when their writes fail. With room again the
// next capture is saved.
TEST_P(CaptureLinkTest, FullDiskLosesNothingAndTheNextCaptureWorks) {
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    vyr::PatientStore store;
    ASSERT_EQ(store.LoadOrCreate(), vyr::LoadResult::kCreated);
    const auto patients = vyr::test::ReadFileBytes(vyr::kPatientFileName);
    const auto settings = vyr::test::ReadFileBytes(vyr::kSettingsFileName);
    StartLink();
    ASSERT_TRUE(sink_.WaitForFrames(2));
    auto& counters = link_.shared().counters;
    testing::internal::CaptureStdout();
    {
        vyr::test::FileSizeLimit full(100000);  // the snapshot needs 3.9 MB, the store 156 KB
        Press(vyr::camsim::kCapture);
        ASSERT_TRUE(WaitFor([&] { return !link_.shared().snapshotFlags.captureRequested(); }));
        // The decode thread goes on to the next picture only once the snapshot is over.
        ASSERT_TRUE(Grows(counters.framesDecoded, 2));
        store.Add(vyr::MakePatientRecord("Ana", "1", "2", 0));
    }
    {
        vyr::test::FileSizeLimit full(8);
        vyr::Settings italian;
        italian.languageIndex = 4;
        EXPECT_EQ(vyr::WriteSettingsFile(vyr::kSettingsFileName, vyr::SettingsToBytes(italian)),
                  -1);
    }
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string path = (Folder() / "20310709_100030.bmp").string();
    EXPECT_NE(console.find(path + " not saved: File too large!\n"), std::string::npos) << console;
    EXPECT_TRUE(fs::is_empty(Folder()));
    ASSERT_EQ(notes_.Count(), 1u);  // the capture command's record, no path
    EXPECT_EQ(notes_.Entries()[0].record[0], 1);
    EXPECT_EQ(counters.snapshotsTaken.load(), 0u);
    EXPECT_EQ(vyr::test::ReadFileBytes(vyr::kPatientFileName), patients);
    EXPECT_EQ(vyr::test::ReadFileBytes(vyr::kSettingsFileName), settings);

    Press(vyr::camsim::kRelease);
    Press(vyr::camsim::kCapture);
    ASSERT_TRUE(notes_.WaitForCount(4));
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(1280, 1024));
    EXPECT_EQ(vyr::Globals().LastSnapshotPath(), path);
}

// Motion-JPEG pictures recorded through the whole link, cut by Stop: one closed file that ffprobe
// and ffmpeg read (splits and the index are the recording suites').
class MjpegRecording : public CaptureLinkTest {};
TEST_P(MjpegRecording, RecordingCutByStopGivesAReadableFile) {
    vyr::test::TestClock clock(2031, 7, 9, 10, 0, 30);
    StartLink();
    ASSERT_TRUE(sink_.WaitForFrames(2));
    link_.StartRecording();
    ASSERT_TRUE(WaitFor([&] { return link_.shared().counters.recordFramesTaken.load() >= 25; }));
    link_.Stop();  // still recording
    const fs::path video = root_.path() / "video" / "20310709100030.avi";
    ASSERT_EQ(std::vector<fs::path>(fs::directory_iterator(root_.path() / "video"), {}),
              std::vector<fs::path>{video});
    ExpectReadableRecording(video.string());
}

INSTANTIATE_TEST_SUITE_P(Streams, CaptureLinkTest,
                         testing::Values(StreamKind::H264, StreamKind::Mjpeg),
                         [](const auto& streamInfo) {
                             return streamInfo.param == StreamKind::H264 ? "H264" : "Mjpeg";
                         });

INSTANTIATE_TEST_SUITE_P(Streams, MjpegRecording, testing::Values(StreamKind::Mjpeg),
                         [](const auto&) { return "Mjpeg"; });

}  // namespace
