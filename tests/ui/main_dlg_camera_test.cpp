// The main window against the simulated camera on 127.0.0.2: live frames painted stretched over
// area 1028 with the test pattern's colours, Record's texts and the recording flag, the link
// stopped by the photo list and restarted by Video, Exit while recording, Capture into the
// preview, and the camera's button and uploads through the link's servers.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QLabel>
#include <QTest>
#include <fstream>
#include <thread>

#include "link/camera_link.h"
#include "linkstate/link_shared.h"
#include "main_dlg_fixture.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/test_pattern.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
constexpr int kConnectMs = 10000;

std::vector<fs::path> FilesIn(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == extension) {
            files.push_back(entry.path());
        }
    }
    return files;
}

class MainDlgCameraTest : public MainDlgTest {
protected:
    camsim::CameraConfig SmallH264() {
        camsim::CameraConfig config;
        config.width = 640;
        config.height = 360;
        config.fps = 25;
        config.gopFrames = 5;
        return config;
    }
    MainDlg& OpenConnected() {
        MainDlg& window = Open();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(window.link().IsConnected() == 1, kConnectMs); }();
        return window;
    }
    camsim::ButtonTarget Button(uint16_t port) const {
        camsim::ButtonTarget target;
        target.port = port;
        return target;
    }
};

TEST_F(MainDlgCameraTest, LiveFramesArePaintedStretchedOverTheWholeArea) {
    StartCamera(SmallH264());
    MainDlg& window = OpenConnected();
    LiveArea* live = window.liveArea();
    QTRY_VERIFY_WITH_TIMEOUT(live->framesPainted() >= 3, kConnectMs);
    const QImage image = window.Control(kIdLiveArea)->grab().toImage();
    ASSERT_EQ(image.size(), window.Control(kIdLiveArea)->size());
    // Each patch of the 640 x 360 pattern lands at its place scaled to the whole area.
    const double sx = image.width() / 640.0;
    const double sy = image.height() / 360.0;
    for (const auto& patch : camsim::TestPatternPatches(640, 360)) {
        SCOPED_TRACE(patch.name);
        const QColor colour = image.pixelColor(static_cast<int>((patch.x + patch.width / 2) * sx),
                                               static_cast<int>((patch.y + patch.height / 2) * sy));
        EXPECT_NEAR(colour.red(), patch.colour.r, 24);
        EXPECT_NEAR(colour.green(), patch.colour.g, 24);
        EXPECT_NEAR(colour.blue(), patch.colour.b, 24);
    }
}

TEST_F(MainDlgCameraTest, MotionJpegFramesArePaintedToo) {
    WriteLanguage(0, kCameraTypeMjpeg);
    camsim::CameraConfig config = SmallH264();
    config.streamKind = camsim::StreamKind::Mjpeg;
    StartCamera(config);
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 3, kConnectMs);
    const QImage image = window.Control(kIdLiveArea)->grab().toImage();
    int nonBlack = 0;
    for (int x = 0; x < image.width(); x += 37) {
        nonBlack += image.pixelColor(x, image.height() / 4) != QColor(Qt::black) ? 1 : 0;
    }
    EXPECT_GT(nonBlack, 0);
}

TEST_F(MainDlgCameraTest, RecordTwiceWritesAVideoAndTurnsTheTextsBack) {
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        WriteLanguage(language);
        StartCamera(SmallH264());
        MainDlg& window = OpenConnected();
        const QString idle = language == 1 ? QString::fromUtf8("录像") : QString("Record");
        const QString busy =
            language == 1 ? QString::fromUtf8("正在录像...") : QString("Recording...");
        EXPECT_EQ(window.ControlText(kIdRecord), idle);
        ClickControl(window, kIdRecord);
        EXPECT_EQ(window.ControlText(kIdRecord), busy);
        EXPECT_EQ(Globals().recordingRequested.load(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!FilesIn(dir_.path() / "video", ".avi").empty(), kConnectMs);
        ClickControl(window, kIdRecord);
        EXPECT_EQ(window.ControlText(kIdRecord), idle);
        EXPECT_EQ(Globals().recordingRequested.load(), 0);
        Close();
        for (const fs::path& video : FilesIn(dir_.path() / "video", ".avi")) {
            fs::remove(video);
        }
    }
}

TEST_F(MainDlgCameraTest, PhotoListAndSettingsWhileRecordingKeepTheRecordingGoing) {
    StartCamera(SmallH264());
    MainDlg& window = OpenConnected();
    ClickControl(window, kIdRecord);
    ClickControl(window, kIdPhotoManagement);
    EXPECT_EQ(window.link().IsConnected(), 0);
    EXPECT_EQ(window.ControlText(kIdRecord), "Recording...");
    EXPECT_TRUE(window.isRecording());
    // New settings show the idle text although the recording goes on.
    window.OnSettingsChanged(SettingsToBytes(Settings{}));
    EXPECT_EQ(window.ControlText(kIdRecord), "Record");
    EXPECT_EQ(Globals().recordingRequested.load(), 1);
    // Video starts the link again; the next Record turns the recording off.
    ClickControl(window, kIdVideo);
    QTRY_VERIFY_WITH_TIMEOUT(window.link().IsConnected() == 1, kConnectMs);
    ClickControl(window, kIdRecord);
    EXPECT_FALSE(window.isRecording());
    EXPECT_EQ(window.ControlText(kIdRecord), "Record");
    EXPECT_EQ(Globals().recordingRequested.load(), 0);
}

TEST_F(MainDlgCameraTest, ExitWhileRecordingThenANewWindowStartsIdle) {
    StartCamera(SmallH264());
    MainDlg& first = OpenConnected();
    ClickControl(first, kIdRecord);
    ASSERT_EQ(Globals().recordingRequested.load(), 1);
    ClickControl(first, kIdExit);
    EXPECT_EQ(first.step(), ChainStep::kBackToPatients);
    EXPECT_EQ(first.link().IsConnected(), 0);
    EXPECT_EQ(Globals().recordingRequested.load(), 0);

    MainDlg& second = OpenConnected();
    EXPECT_EQ(second.ControlText(kIdRecord), "Record");
    ClickControl(second, kIdRecord);
    EXPECT_EQ(second.ControlText(kIdRecord), "Recording...");
    EXPECT_EQ(Globals().recordingRequested.load(), 1);
}

TEST_F(MainDlgCameraTest, CaptureWritesAPictureThatThePreviewShows) {
    StartCamera(SmallH264());
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 1, kConnectMs);
    ClickControl(window, kIdCapture);
    QTRY_VERIFY_WITH_TIMEOUT(!FilesIn(PatientFolder(), ".bmp").empty(), kConnectMs);
    QTRY_VERIFY_WITH_TIMEOUT(HasPicture(window.Control(kIdPreview)), kConnectMs);
    const QImage snapshot(QString::fromStdString(FilesIn(PatientFolder(), ".bmp")[0].string()));
    EXPECT_EQ(snapshot.size(), QSize(640, 360));
}

TEST_F(MainDlgCameraTest, CameraButtonCapturesAndReleaseResumes) {
    StartCamera(SmallH264());
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.link().ControlPort() != 0, kConnectMs);
    ASSERT_TRUE(camsim::SendControlCode(Button(window.link().ControlPort()), 1).ok());
    QTRY_VERIFY_WITH_TIMEOUT(!FilesIn(PatientFolder(), ".bmp").empty(), kConnectMs);
    QTRY_VERIFY_WITH_TIMEOUT(HasPicture(window.Control(kIdPreview)), kConnectMs);
    const uint64_t frozenAt = window.liveArea()->framesReceived();
    ASSERT_TRUE(camsim::SendControlCode(Button(window.link().ControlPort()), 0).ok());
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesReceived() > frozenAt + 2, kConnectMs);
}

TEST_F(MainDlgCameraTest, UploadShowsInTheStillAreaAndThePreview) {
    StartCamera(SmallH264());
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.link().PicturePort() != 0, kConnectMs);
    // A picture of more than 10 kB (the camera's smaller uploads are dropped): a red field with
    // a fine noise pattern that keeps the JPEG large.
    QImage picture(640, 480, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const int noise = ((x * 7919 + y * 104729) % 17) - 8;
            picture.setPixelColor(x, y, QColor(200 + noise, 30 + noise, 30 + noise));
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(picture.save(&buffer, "JPG", 95));
    ASSERT_GT(jpeg.size(), 10240);
    const std::vector<uint8_t> bytes(jpeg.begin(), jpeg.end());
    camsim::ButtonResult sent;
    std::thread camera([&] {
        sent = camsim::SendPicture(Button(window.link().PicturePort()), "IMG_20260101_120000.jpg",
                                   bytes);
    });
    QTRY_VERIFY_WITH_TIMEOUT(window.Control(kIdStillArea)->isVisible(), kConnectMs);
    const QColor still = PictureCentre(window.Control(kIdStillArea));
    EXPECT_NEAR(still.red(), 200, 12);
    EXPECT_NEAR(still.green(), 30, 12);
    EXPECT_TRUE(HasPicture(window.Control(kIdPreview)));
    camera.join();
    EXPECT_TRUE(sent.ok());
    EXPECT_TRUE(fs::exists(PatientFolder() / "IMG_20260101_120000.bmp"));
}

}  // namespace
}  // namespace vyr::test
