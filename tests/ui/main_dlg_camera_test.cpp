// The main window against the simulated camera on 127.0.0.2: live frames painted stretched over
// the live area with the test pattern's colours (H.264 and motion JPEG), the camera's button
// capturing into the preview and releasing the freeze, uploads through the link's picture server,
// and the recording flag through the photo list, new settings, Video and Exit.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QTest>
#include <thread>

#include "link/camera_link.h"
#include "linkstate/link_shared.h"
#include "main_dlg_fixture.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "support/loopback_camera.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/test_pattern.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 10000;

TEST_F(MainDlgTest, LiveFramesFillTheAreaAndTheCameraButtonCapturesAndReleases) {
    StartCamera();
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 3, kWaitMs);
    const QImage image = window.Control(kIdLiveArea)->grab().toImage();
    ASSERT_EQ(image.size(), window.Control(kIdLiveArea)->size());
    // Each patch of the 640 x 360 pattern lands at its place scaled to the whole area.
    for (const auto& patch : camsim::TestPatternPatches(640, 360)) {
        SCOPED_TRACE(patch.name);
        const QColor colour = image.pixelColor((patch.x + patch.width / 2) * image.width() / 640,
                                               (patch.y + patch.height / 2) * image.height() / 360);
        EXPECT_NEAR(colour.red(), patch.colour.r, 24);
        EXPECT_NEAR(colour.green(), patch.colour.g, 24);
        EXPECT_NEAR(colour.blue(), patch.colour.b, 24);
    }
    const camsim::ButtonTarget button{.port = window.link().ControlPort()};
    ASSERT_TRUE(camsim::SendControlCode(button, 1).ok());
    QTRY_VERIFY_WITH_TIMEOUT(FilesIn(PatientFolder(), ".bmp").size() == 1, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(PictureCentre(window.Control(kIdPreview)).isValid(), kWaitMs);
    EXPECT_EQ(QImage(QString::fromStdString(FilesIn(PatientFolder(), ".bmp")[0])).size(),
              QSize(640, 360));
    const uint64_t frozenAt = window.liveArea()->framesReceived();
    ASSERT_TRUE(camsim::SendControlCode(button, 0).ok());
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesReceived() > frozenAt + 2, kWaitMs);
}

TEST_F(MainDlgTest, MotionJpegFramesArePaintedToo) {
    WriteLanguage(0, kCameraTypeMjpeg);
    camsim::CameraConfig config = SmallCamera();
    config.streamKind = camsim::StreamKind::Mjpeg;
    StartCamera(config);
    MainDlg& window = OpenConnected();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 3, kWaitMs);
    const QImage image = window.Control(kIdLiveArea)->grab().toImage();
    int nonBlack = 0;
    for (int x = 0; x < image.width(); x += 37) {
        nonBlack += image.pixelColor(x, image.height() / 4) != QColor(Qt::black) ? 1 : 0;
    }
    EXPECT_GT(nonBlack, 0);
}

TEST_F(MainDlgTest, RecordingGoesOnThroughThePhotoListAndSettingsAndEndsWithExit) {
    StartCamera();
    MainDlg& first = OpenConnected();
    ClickControl(first, kIdRecord);
    ClickControl(first, kIdPhotoManagement);
    EXPECT_EQ(first.link().IsConnected(), 0);
    EXPECT_EQ(first.ControlText(kIdRecord), "Recording...");
    EXPECT_TRUE(first.isRecording());
    // New settings show the idle text although the recording goes on.
    first.OnSettingsChanged(SettingsToBytes(Settings{}));
    EXPECT_EQ(first.ControlText(kIdRecord), "Record");
    EXPECT_EQ(Globals().recordingRequested.load(), 1);
    // Video starts the link again; the next Record turns the recording off, the one after on.
    ClickControl(first, kIdVideo);
    QTRY_VERIFY_WITH_TIMEOUT(first.link().IsConnected() == 1, kWaitMs);
    ClickControl(first, kIdRecord);
    EXPECT_FALSE(first.isRecording());
    EXPECT_EQ(Globals().recordingRequested.load(), 0);
    ClickControl(first, kIdRecord);
    ASSERT_EQ(Globals().recordingRequested.load(), 1);
    // Exit while recording stops the link and the recording; a new window starts idle.
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

TEST_F(MainDlgTest, UploadShowsInTheStillAreaAndThePreview) {
    StartCamera();
    MainDlg& window = OpenConnected();
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
        sent = camsim::SendPicture({.port = window.link().PicturePort()}, "IMG_20260101_120000.jpg",
                                   bytes);
    });
    QTRY_VERIFY_WITH_TIMEOUT(window.Control(kIdStillArea)->isVisible(), kWaitMs);
    const QColor still = PictureCentre(window.Control(kIdStillArea));
    EXPECT_NEAR(still.red(), 200, 12);
    EXPECT_NEAR(still.green(), 30, 12);
    EXPECT_TRUE(PictureCentre(window.Control(kIdPreview)).isValid());
    camera.join();
    EXPECT_TRUE(sent.ok());
    EXPECT_TRUE(fs::exists(PatientFolder() / "IMG_20260101_120000.bmp"));
}

}  // namespace
}  // namespace vyr::test
