// The whole program's window chain against the simulated camera on 127.0.0.2, through the real
// windows: Enter opens the main window with live video, Capture and Record write into the chosen
// patient's folders, Exit returns to a fresh patient dialog, Enter with another patient stores
// pictures in that patient's folder, and the close box ends the program.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "app/core/vyr_app.h"
#include "app/start/init_instance.h"
#include "link/camera_link.h"
#include "patients/dialog/vyr_dlg.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "support/gui/modal_driver.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "tools/camsim/camera.h"
#include "tools/camsim/test_pattern.h"
#include "ui/live_area.h"
#include "ui/main_dlg.h"
#include "ui/main_dlg_ids.h"

namespace {

namespace fs = std::filesystem;
using vyr::test::ClickControl;
using vyr::test::TypeInto;

constexpr int kWaitMs = 20000;
// The patient dialog's controls (its id header and the main window's both name a Delete button).
constexpr int kPatientNameBox = 1001;
constexpr int kPatientTelBox = 1006;
constexpr int kPatientEnter = 1012;

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

class WindowChainCameraTest : public ::testing::Test {
protected:
    WindowChainCameraTest() {
        previousFolder_ = fs::current_path();
        fs::current_path(dir_.path());  // the link reads language.ini from the working folder
        EXPECT_EQ(vyr::WriteSettingsFile("language.ini", vyr::SettingsToBytes({})), 0);
        vyr::camsim::CameraConfig config;
        config.modelPort = 0;
        config.streamPort = 0;
        config.width = 640;
        config.height = 360;
        config.loopFrames = 25;
        camera_ = std::make_unique<vyr::camsim::Camera>(config);
        EXPECT_TRUE(camera_->Start()) << camera_->LastError();
        ports_.modelQuery = camera_->ModelPort();
        ports_.stream = camera_->StreamPort();
        ports_.control = 0;
        ports_.picture = 0;
    }
    ~WindowChainCameraTest() override { fs::current_path(previousFolder_); }

    int Run() {
        int code = -1;
        driver_.Run([this, &code] {
            code = vyr::InitInstance(app_, [this](vyr::CVyrApp& app) {
                vyr::MainDlg window(app, ports_);
                window.exec();
                return window.step();
            });
        });
        EXPECT_EQ(driver_.stepsLeft(), 0);
        EXPECT_EQ(driver_.unexpected(), 0);
        return code;
    }

    // Waits for live pictures, then captures one into the current patient's folder.
    void CaptureInto(vyr::MainDlg& window, const fs::path& folder) {
        QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 3, kWaitMs);
        ClickControl(window, vyr::kIdCapture);
        QTRY_VERIFY_WITH_TIMEOUT(FilesIn(folder, ".bmp").size() == 1, kWaitMs);
    }

    vyr::test::TempDir dir_;
    fs::path previousFolder_;
    vyr::testing::ScriptedPrompts prompts_;
    vyr::testing::RecordingShell shell_;
    vyr::CVyrApp app_{{.cameraAddress = "127.0.0.2",
                       .settingsFile = dir_.File("language.ini"),
                       .patientFile = dir_.File("usrinfo.bin"),
                       .exeDir = dir_.path().string()},
                      {&prompts_, &shell_}};
    std::unique_ptr<vyr::camsim::Camera> camera_;
    vyr::LinkPorts ports_;
    vyr::test::ModalDriver driver_;
};

TEST_F(WindowChainCameraTest, TwoPatientsTwoFoldersThroughTheRealWindows) {
    const fs::path first = dir_.path() / "jpg" / "10000";
    const fs::path second = dir_.path() / "jpg" / "555";
    driver_.Then([](QWidget* modal) {
        auto* patients = dynamic_cast<vyr::CVyrDlg*>(modal);
        ASSERT_NE(patients, nullptr);
        ClickControl(*patients, kPatientEnter);  // the sample patient, TEL 10000
    });
    driver_.Then([this, first](QWidget* modal) {
        auto* window = dynamic_cast<vyr::MainDlg*>(modal);
        ASSERT_NE(window, nullptr);
        CaptureInto(*window, first);
        // The live area shows the camera's pattern.
        const QImage live = window->Control(vyr::kIdLiveArea)->grab().toImage();
        const auto red = vyr::camsim::TestPatternPatches(640, 360)[1];
        ASSERT_EQ(red.name, "red");
        const QColor colour = live.pixelColor((red.x + red.width / 2) * live.width() / 640,
                                              (red.y + red.height / 2) * live.height() / 360);
        EXPECT_GT(colour.red(), 200);
        EXPECT_LT(colour.green(), 60);

        ClickControl(*window, vyr::kIdRecord);
        EXPECT_EQ(window->ControlText(vyr::kIdRecord), "Recording...");
        const uint64_t frames = window->link().shared().counters.framesDecoded.load();
        QTRY_VERIFY_WITH_TIMEOUT(
            window->link().shared().counters.framesDecoded.load() > frames + 30, kWaitMs);
        ClickControl(*window, vyr::kIdRecord);
        EXPECT_EQ(window->ControlText(vyr::kIdRecord), "Record");
        ClickControl(*window, vyr::kIdExit);
    });
    driver_.Then([](QWidget* modal) {
        auto* patients = dynamic_cast<vyr::CVyrDlg*>(modal);
        ASSERT_NE(patients, nullptr);
        EXPECT_FALSE(patients->entered());  // a fresh dialog
        TypeInto(*patients, kPatientNameBox, "anna");
        TypeInto(*patients, kPatientTelBox, "555");
        ClickControl(*patients, kPatientEnter);
    });
    driver_.Then([this, second](QWidget* modal) {
        auto* window = dynamic_cast<vyr::MainDlg*>(modal);
        ASSERT_NE(window, nullptr);
        CaptureInto(*window, second);
        window->close();  // the close box ends the program
    });
    EXPECT_EQ(Run(), 0);

    EXPECT_EQ(FilesIn(first, ".bmp").size(), 1u);
    EXPECT_EQ(FilesIn(second, ".bmp").size(), 1u);
    const QImage snapshot(QString::fromStdString(FilesIn(second, ".bmp").front().string()));
    EXPECT_EQ(snapshot.size(), QSize(640, 360));

    // The recording was closed when the window stopped the link; ffprobe reads it.
    const auto videos = FilesIn(dir_.path() / "video", ".avi");
    ASSERT_EQ(videos.size(), 1u);
    const auto probe = vyr::test::RunCommand(
        "ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height "
        "-of csv=p=0 " +
        vyr::test::ShellQuote(videos.front().string()));
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_EQ(probe.output.substr(0, 5), "h264,");
}

}  // namespace
