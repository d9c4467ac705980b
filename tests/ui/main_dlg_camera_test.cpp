// The main window against the simulated camera on 127.0.0.2: live frames painted stretched over
// the live area with the test pattern's colours, the camera's button capturing into the preview,
// the recording flag through the photo list, new settings, Video and Exit; the link-state label's
// texts in the six languages and in the accessibility tree, and what it says while the real link
// meets no camera, a camera that appears, goes away and comes back (Capture then still saves). (A
// stream that stalls, what the link itself does then and the button's freeze and release: the
// link's suites; a received picture in the window: main_dlg_test.)
#include <QAccessible>

#include "main_dlg_fixture.h"
#include "settings/settings_file.h"
#include "tools/camsim/camera_button.h"
#include "tools/camsim/test_pattern.h"
#include "ui/link_state_label.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 10000;

TEST_F(MainDlgTest, LiveFramesFillTheAreaAndTheCameraButtonCapturesIntoThePreview) {
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

// The link's promises ("within 3 s", "within 5 s"), doubled for the sanitizer builds.
constexpr int kWithin3sMs = 6000;
constexpr int kWithin5sMs = 10000;
const QString kNoCamera = QStringLiteral("No camera found, retrying...");
const QString kLost = QStringLiteral("Camera stream lost, reconnecting...");

// The label's text while it is not hidden (the live area itself may be, behind the photo list).
QString Shown(const MainDlg& window) {
    const LinkStateLabel* label = window.linkStateLabel();
    return label->isHidden() ? QString() : label->text();
}

TEST_F(MainDlgTest, LinkStateTextsInEveryLanguageAndInTheAccessibilityTree) {
    MainDlg& window = Open();
    // No camera listens; the window's own link is stopped so that only the states below reach
    // the label, through the link's entry.
    window.link().Stop();
    QCoreApplication::processEvents();
    const auto setLanguage = [&](int language) {
        Settings settings;
        settings.languageIndex = language;
        window.OnSettingsChanged(SettingsToBytes(settings));
    };
    const std::pair<LinkState, QString> states[] = {
        {LinkState::kConnecting, "Connecting to the camera..."},
        {LinkState::kNoCamera, kNoCamera},
        {LinkState::kStreamLost, kLost}};
    // English also for an index outside 0 to 5; the other five have texts of their own.
    for (int language : {0, 1, 2, 3, 4, 5, 7}) {
        SCOPED_TRACE(language);
        setLanguage(language);
        for (const auto& [state, english] : states) {
            window.OnLinkState({state, 0});
            const QString shown = Shown(window);
            QAccessibleInterface* node =
                QAccessible::queryAccessibleInterface(window.linkStateLabel());
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->text(QAccessible::Name), shown);
            EXPECT_EQ(shown == english, language == 0 || language == 7) << shown.toStdString();
            EXPECT_FALSE(shown.isEmpty());
        }
    }
    // A stream that stands without a picture: hidden at first, then the age in seconds.
    setLanguage(0);
    window.OnLinkState({LinkState::kStreaming, 1});
    EXPECT_EQ(Shown(window), QString());
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QStringLiteral("No picture for 1 s"), kWithin3sMs);
    setLanguage(1);
    QTRY_VERIFY_WITH_TIMEOUT(Shown(window).contains(QString::fromUtf8("秒")), kWithin3sMs);
}

TEST_F(MainDlgTest, NoCameraThenCameraAppearsGoesAwayAndComesBack) {
    constexpr int kLateMs = 4000;
    camsim::CameraConfig late = SmallCamera();
    late.startDelay = std::chrono::milliseconds(kLateMs);  // bound now, listening in 4 s
    StartCamera(late);
    MainDlg& window = Open();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), kNoCamera, kWithin3sMs);
    EXPECT_LT(window.linkStateLabel()->geometry().topLeft().x(), 20);
    // The camera appears: a live picture within 3 s and the label hidden.
    const uint64_t before = window.liveArea()->framesPainted();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() > before + 2,
                             kLateMs + kWithin3sMs);
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QString(), kWithin3sMs);
    // Killed: the label says the stream was lost, and keeps saying it while attempts fail.
    camera_->Stop();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), kLost, kWithin5sMs);
    EXPECT_EQ(window.link().IsConnected(), 0);
    // Back on the same ports at once: live again within 5 s.
    camsim::CameraConfig again = SmallCamera();
    again.address = "127.0.0.2";
    again.modelPort = ports_.modelQuery;
    again.streamPort = ports_.stream;
    camera_ = std::make_unique<camsim::Camera>(again);
    ASSERT_TRUE(camera_->Start()) << camera_->LastError();
    const uint64_t back = window.liveArea()->framesPainted();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() > back + 2, kWithin5sMs);
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QString(), kWithin3sMs);
    // Capture still saves a snapshot.
    ClickControl(window, kIdCapture);
    QTRY_VERIFY_WITH_TIMEOUT(FilesIn(PatientFolder(), ".bmp").size() == 1, kWithin5sMs);
}

}  // namespace
}  // namespace vyr::test
