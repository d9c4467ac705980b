// The whole program's window chain against the simulated camera on 127.0.0.2, through the real
// windows: the first start asks the language and the patient dialog speaks it, Enter opens the main
// window with live video, Capture writes into the chosen patient's folder, Exit returns to a fresh
// patient dialog, Enter with another patient stores pictures in that patient's folder, the close
// box ends it all. (Recording through the window: main_dlg_test; the files: the capture suites.)

#include <QComboBox>

#include "app/dialogs/dlg_language.h"
#include "app/start/init_instance.h"
#include "main_dlg_fixture.h"
#include "patients/dialog/vyr_dlg.h"
#include "support/file_bytes.h"

namespace vyr::test {
namespace {

namespace fs = std::filesystem;
constexpr int kWaitMs = 20000;
// The patient dialog's controls (its id header and the main window's both name a Delete button).
constexpr int kPatientNameBox = 1001;
constexpr int kPatientTelBox = 1006;
constexpr int kPatientEnter = 1012;
constexpr int kPatientList = 1007;
constexpr int kPatientSearch = 1011;

// Waits for live pictures, then captures one into the folder.
void CaptureInto(MainDlg& window, const fs::path& folder) {
    QTRY_VERIFY_WITH_TIMEOUT(window.liveArea()->framesPainted() >= 3, kWaitMs);
    ClickControl(window, kIdCapture);
    QTRY_VERIFY_WITH_TIMEOUT(FilesIn(folder, ".bmp").size() == 1, kWaitMs);
}

TEST_F(MainDlgTest, TwoPatientsTwoFoldersThroughTheRealWindows) {
    StartCamera();
    const fs::path first = dir_.path() / "jpg" / "10000";
    const fs::path second = dir_.path() / "jpg" / "555";
    fs::remove(dir_.File("language.ini"));  // a first start
    driver_.Then([](QWidget* modal) {
        auto* language = dynamic_cast<CDlgLanguage*>(modal);
        ASSERT_NE(language, nullptr);
        EXPECT_EQ(language->Combo(kIdLanguageChoice)->currentText(), "English");
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(language->Combo(kIdLanguageChoice), Qt::Key_Down);
        }
        ClickControl(*language, kIdOk);
    });
    driver_.Then([](QWidget* modal) {
        auto* patients = dynamic_cast<CVyrDlg*>(modal);
        ASSERT_NE(patients, nullptr);
        // The chosen language (Italian) and the sample patient the first start made.
        EXPECT_EQ(patients->ControlText(kPatientSearch), "Ricerca");
        EXPECT_EQ(ListCell(*patients, kPatientList, 0, 1), "zevra");
        ClickControl(*patients, kPatientEnter);  // the sample patient, TEL 10000
    });
    driver_.Then([&](QWidget* modal) {
        auto* window = dynamic_cast<MainDlg*>(modal);
        ASSERT_NE(window, nullptr);
        CaptureInto(*window, first);
        ClickControl(*window, kIdExit);
    });
    driver_.Then([](QWidget* modal) {
        auto* patients = dynamic_cast<CVyrDlg*>(modal);
        ASSERT_NE(patients, nullptr);
        EXPECT_FALSE(patients->entered());  // a fresh dialog
        TypeInto(*patients, kPatientNameBox, "anna");
        TypeInto(*patients, kPatientTelBox, "555");
        ClickControl(*patients, kPatientEnter);
    });
    driver_.Then([&](QWidget* modal) {
        auto* window = dynamic_cast<MainDlg*>(modal);
        ASSERT_NE(window, nullptr);
        CaptureInto(*window, second);
        window->close();  // the close box ends the program
    });
    int code = -1;
    driver_.Run([&] {
        code = InitInstance(*app_, [this](CVyrApp& app) {
            MainDlg window(app, ports_);
            window.exec();
            return window.step();
        });
    });
    EXPECT_EQ(driver_.stepsLeft(), 0);
    EXPECT_EQ(driver_.unexpected(), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir_.File("language.ini")),
              (std::vector<uint8_t>{4, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(fs::file_size(dir_.File("usrinfo.bin")), 156004u);
    EXPECT_EQ(FilesIn(first, ".bmp").size(), 1u);
    ASSERT_EQ(FilesIn(second, ".bmp").size(), 1u);
    EXPECT_EQ(QImage(QString::fromStdString(FilesIn(second, ".bmp")[0])).size(), QSize(640, 360));
}

}  // namespace
}  // namespace vyr::test
