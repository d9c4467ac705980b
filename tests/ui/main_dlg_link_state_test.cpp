// The link-state label over the live area through the real main window: its texts in the six
// languages and in the accessibility tree, and what it says while the real link meets no camera,
// a camera that appears, goes away, comes back and stalls; Capture still works afterwards.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "link/camera_link.h"
#include "main_dlg_fixture.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "support/loopback_camera.h"
#include "ui/link_state_label.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"

namespace vyr::test {
namespace {

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

TEST_F(MainDlgTest, StalledStreamShowsTheAgeOfThePicture) {
    camsim::CameraConfig stalling = SmallCamera();
    stalling.stallAfterFrames = 15;
    StartCamera(stalling);
    MainDlg& window = Open();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() > 2, kWithin5sMs);
    // The connection stands, nothing comes: the age grows until the link gives the stream up and
    // connects again.
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QStringLiteral("No picture for 2 s"), kWithin5sMs);
    EXPECT_EQ(window.link().IsConnected(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(camera_->StreamConnections() >= 2, kWithin5sMs);
}

}  // namespace
}  // namespace vyr::test
