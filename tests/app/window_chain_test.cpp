// Start-up through InitInstance with every modal window answered by the test: the first-run
// language dialog and its choice reaching the patient dialog, and a second start that goes straight
// to the patients. Enter, Exit and the close box are covered through the real main window in
// tests/ui/window_chain_camera_test.cpp.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "app/core/vyr_app.h"
#include "app/dialogs/dlg_language.h"
#include "app/start/init_instance.h"
#include "patients/dialog/vyr_dlg.h"
#include "patients/dialog/vyr_dlg_template.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/gui/modal_driver.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ClickControl;
using vyr::test::TypeInto;

// The modal window as the type a step expects; a wrong window fails the test and is closed.
template <class T>
T* Expect(QWidget* modal) {
    auto* typed = dynamic_cast<T*>(modal);
    if (typed == nullptr) {
        ADD_FAILURE() << "unexpected window " << modal->metaObject()->className() << " \""
                      << modal->windowTitle().toStdString() << "\"";
        modal->close();
    }
    return typed;
}

class WindowChainTest : public ::testing::Test {
protected:
    int Run() {
        int code = -1;
        // These tests end in the patient dialog; the main window's part of the chain is covered
        // through the real windows against the simulated camera.
        const auto noMainWindow = [](vyr::CVyrApp&) {
            ADD_FAILURE() << "the main window opened";
            return vyr::ChainStep::kEnd;
        };
        driver_.Run([this, &code, &noMainWindow] { code = vyr::InitInstance(app_, noMainWindow); });
        EXPECT_EQ(driver_.stepsLeft(), 0);
        EXPECT_EQ(driver_.unexpected(), 0);
        return code;
    }
    std::vector<uint8_t> LanguageBytes() const {
        return vyr::test::ReadFileBytes(dir_.File("language.ini"));
    }

    vyr::test::TempDir dir_;
    vyr::testing::ScriptedPrompts prompts_;
    vyr::testing::RecordingShell shell_;
    vyr::CVyrApp app_{{.cameraAddress = "127.0.0.2",
                       .settingsFile = dir_.File("language.ini"),
                       .patientFile = dir_.File("usrinfo.bin"),
                       .exeDir = dir_.path().string()},
                      {&prompts_, &shell_}};
    vyr::test::ModalDriver driver_;
};

TEST_F(WindowChainTest, FirstStartAsksTheLanguageThenShowsThePatients) {
    for (int id : {vyr::kIdOk, vyr::kIdCancel}) {
        std::filesystem::remove(dir_.File("language.ini"));
        driver_.Then([id](QWidget* modal) {
            auto* language = Expect<vyr::CDlgLanguage>(modal);
            ASSERT_NE(language, nullptr);
            EXPECT_EQ(language->Combo(vyr::kIdLanguageChoice)->currentText(), "English");
            // Another language chosen then Cancel, or English chosen again then OK: both leave
            // English behind.
            QTest::keyClick(language->Combo(vyr::kIdLanguageChoice), Qt::Key_Down);
            if (id == vyr::kIdOk) {
                QTest::keyClick(language->Combo(vyr::kIdLanguageChoice), Qt::Key_Up);
            }
            ClickControl(*language, id);
        });
        driver_.Then([this](QWidget* modal) {
            auto* patients = Expect<vyr::CVyrDlg>(modal);
            ASSERT_NE(patients, nullptr);
            EXPECT_EQ(patients->ControlText(vyr::kIdEnter), "Login");
            EXPECT_EQ(vyr::test::ListCell(*patients, vyr::kIdPatientList, 0, 1), "zevra");
            EXPECT_EQ(LanguageBytes(),
                      (std::vector<uint8_t>{0, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
            QTest::keyClick(patients, Qt::Key_Escape);
        });
        EXPECT_EQ(Run(), 0);
    }
    EXPECT_EQ(std::filesystem::file_size(dir_.File("usrinfo.bin")), 156004u);
}

TEST_F(WindowChainTest, ItalianoChosenAtFirstStartOpensTheItalianPatientDialog) {
    driver_.Then([](QWidget* modal) {
        auto* language = Expect<vyr::CDlgLanguage>(modal);
        ASSERT_NE(language, nullptr);
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(language->Combo(vyr::kIdLanguageChoice), Qt::Key_Down);
        }
        ClickControl(*language, vyr::kIdOk);
    });
    driver_.Then([](QWidget* modal) {
        auto* patients = Expect<vyr::CVyrDlg>(modal);
        ASSERT_NE(patients, nullptr);
        EXPECT_EQ(patients->ControlText(vyr::kIdSave), "Salva");
        EXPECT_EQ(patients->ControlText(vyr::kIdSearch), "Ricerca");
        patients->close();
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(LanguageBytes(),
              (std::vector<uint8_t>{4, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(WindowChainTest, SecondStartGoesStraightToThePatients) {
    ASSERT_EQ(
        vyr::WriteSettingsFile(dir_.File("language.ini"), vyr::SettingsToBytes({2, 73, 0, 0})), 0);
    driver_.Then([](QWidget* modal) {
        auto* patients = Expect<vyr::CVyrDlg>(modal);
        ASSERT_NE(patients, nullptr);
        EXPECT_EQ(patients->ControlText(vyr::kIdSearch), "Buscar");
        QTest::keyClick(patients, Qt::Key_Escape);
    });
    EXPECT_EQ(Run(), 0);
}

}  // namespace
