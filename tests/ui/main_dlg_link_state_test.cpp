// The link-state label over the live area through the real main window: its texts in the six
// languages and in the accessibility tree, and what it says while the real link meets no camera,
// a camera that appears, goes away, comes back and stalls; Capture still works afterwards.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QTest>
#include <array>

#include "link/camera_link.h"
#include "main_dlg_fixture.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "ui/link_state_label.h"
#include "ui/live_area.h"
#include "ui/main_dlg_ids.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;

// The link's promises ("within 3 s", "within 5 s"), doubled for the sanitizer builds.
constexpr int kWithin3sMs = 6000;
constexpr int kWithin5sMs = 10000;

const QString kConnecting = QStringLiteral("Connecting to the camera...");
const QString kNoCamera = QStringLiteral("No camera found, retrying...");
const QString kLost = QStringLiteral("Camera stream lost, reconnecting...");

// What the label shows: its text while it is not hidden (the live area itself may be, behind the
// photo list), else nothing.
QString Shown(const MainDlg& window) {
    const LinkStateLabel* label = window.linkStateLabel();
    return label->isHidden() ? QString() : label->text();
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
    return node != nullptr ? node->text(QAccessible::Name) : QString();
}

class MainDlgLinkStateTest : public MainDlgTest {
protected:
    static camsim::CameraConfig SmallH264() {
        camsim::CameraConfig config;
        config.width = 640;
        config.height = 360;
        config.fps = 25;
        config.gopFrames = 5;
        return config;
    }
    size_t Snapshots() const {
        size_t count = 0;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(PatientFolder(), error)) {
            count += entry.path().extension() == ".bmp" ? 1 : 0;
        }
        return count;
    }
};

TEST_F(MainDlgLinkStateTest, TextsInEveryLanguageAndInTheAccessibilityTree) {
    struct Row {
        int language;
        const char* connecting;
        const char* noCamera;
        const char* lost;
        const char* noPicture;  // with the seconds as %1
    };
    const std::array<Row, 7> rows = {{
        {0, "Connecting to the camera...", "No camera found, retrying...",
         "Camera stream lost, reconnecting...", "No picture for %1 s"},
        {1, "正在连接相机...", "未找到相机，正在重试...", "相机视频流中断，正在重新连接...",
         "已 %1 秒没有画面"},
        {2, "Conectando con la cámara...", "No se encontró la cámara, reintentando...",
         "Se perdió la transmisión de la cámara, reconectando...", "Sin imagen desde hace %1 s"},
        {3, "Conectando à câmera...", "Nenhuma câmera encontrada, tentando novamente...",
         "Transmissão da câmera perdida, reconectando...", "Sem imagem há %1 s"},
        {4, "Connessione alla telecamera in corso...",
         "Nessuna telecamera trovata, nuovo tentativo...",
         "Flusso della telecamera perso, riconnessione...", "Nessuna immagine da %1 s"},
        {5, "正在連接相機...", "未找到相機，正在重試...", "相機視訊串流中斷，正在重新連接...",
         "已 %1 秒沒有畫面"},
        // Outside 0 to 5: English, the language of the templates.
        {7, "Connecting to the camera...", "No camera found, retrying...",
         "Camera stream lost, reconnecting...", "No picture for %1 s"},
    }};
    MainDlg& window = Open();
    // No camera listens here; the window's own link is stopped and its reports handled, so that
    // only the states given below reach the label, through the link's entry.
    window.link().Stop();
    QCoreApplication::processEvents();
    const auto setLanguage = [&](int language) {
        Settings settings;
        settings.languageIndex = language;
        window.OnSettingsChanged(SettingsToBytes(settings));
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        setLanguage(row.language);
        window.OnLinkState({LinkState::kConnecting, 0});
        EXPECT_EQ(Shown(window), QString::fromUtf8(row.connecting));
        EXPECT_EQ(AccessibleName(window.linkStateLabel()), QString::fromUtf8(row.connecting));
        window.OnLinkState({LinkState::kNoCamera, 0});
        EXPECT_EQ(Shown(window), QString::fromUtf8(row.noCamera));
        window.OnLinkState({LinkState::kStreamLost, 1});
        EXPECT_EQ(Shown(window), QString::fromUtf8(row.lost));
        EXPECT_EQ(AccessibleName(window.linkStateLabel()), QString::fromUtf8(row.lost));
    }
    // A stream that stands without a picture: hidden at first, then the age in seconds, in the
    // language of the moment.
    setLanguage(0);
    window.OnLinkState({LinkState::kStreaming, 2});
    EXPECT_EQ(Shown(window), QString());
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QStringLiteral("No picture for 1 s"), kWithin3sMs);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        setLanguage(row.language);
        const QString format = QString::fromUtf8(row.noPicture);
        const QString prefix = format.left(format.indexOf("%1"));
        const QString suffix = format.mid(format.indexOf("%1") + 2);
        QTRY_VERIFY_WITH_TIMEOUT(Shown(window).startsWith(prefix) && Shown(window).endsWith(suffix),
                                 kWithin3sMs);
    }
}

TEST_F(MainDlgLinkStateTest, NoCameraThenCameraAppearsGoesAwayAndComesBack) {
    constexpr int kLateMs = 4000;
    camsim::CameraConfig late = SmallH264();
    late.startDelay = std::chrono::milliseconds(kLateMs);  // bound now, listening in 4 s
    StartCamera(late);
    MainDlg& window = Open();
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), kNoCamera, kWithin3sMs);
    EXPECT_TRUE(window.linkStateLabel()->geometry().topLeft().x() < 20);

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
    camsim::CameraConfig again = SmallH264();
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
    QTRY_VERIFY_WITH_TIMEOUT(Snapshots() == 1, kWithin5sMs);
}

TEST_F(MainDlgLinkStateTest, StalledStreamShowsTheAgeOfThePicture) {
    camsim::CameraConfig stalling = SmallH264();
    stalling.stallAfterFrames = 15;
    StartCamera(stalling);
    MainDlg& window = Open();
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() > 2, kWithin5sMs);
    // The connection stands, nothing comes: "No picture for 1 s", then 2 s, until the link gives
    // the stream up and connects again.
    QTRY_COMPARE_WITH_TIMEOUT(Shown(window), QStringLiteral("No picture for 2 s"), kWithin5sMs);
    EXPECT_EQ(window.link().IsConnected(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(camera_->StreamConnections() >= 2, kWithin5sMs);
}

}  // namespace
}  // namespace vyr::test
