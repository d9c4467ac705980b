// Start-up through InitInstance with every modal window answered by the test: the first-run
// language dialog and its choice reaching the patient dialog. A second start, Enter, Exit and the
// close box are covered through the real main window in tests/ui/window_chain_camera_test.cpp.
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
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/gui/modal_driver.h"
#include "support/temp_dir.h"

namespace {

// The modal window as the type a step expects; a wrong window fails the test and is closed.
template <class T>
T* Expect(QWidget* modal) {
    auto* typed = dynamic_cast<T*>(modal);
    if (typed == nullptr) {
        ADD_FAILURE() << "unexpected window " << modal->metaObject()->className();
        modal->close();
    }
    return typed;
}

class WindowChainTest : public ::testing::Test {
protected:
    // Runs the chain, which has to end in the patient dialog here.
    int Run() {
        int code = -1;
        driver_.Run([this, &code] {
            code = vyr::InitInstance(app_, [](vyr::CVyrApp&) {
                ADD_FAILURE() << "the main window opened";
                return vyr::ChainStep::kEnd;
            });
        });
        EXPECT_EQ(driver_.stepsLeft(), 0);
        EXPECT_EQ(driver_.unexpected(), 0);
        return code;
    }

    vyr::test::TempDir dir_;
    const std::string settings_ = dir_.File("language.ini");
    vyr::testing::ScriptedPrompts prompts_;
    vyr::testing::RecordingShell shell_;
    vyr::CVyrApp app_{{.cameraAddress = "127.0.0.2",
                       .settingsFile = settings_,
                       .patientFile = dir_.File("usrinfo.bin"),
                       .exeDir = dir_.path().string()},
                      {&prompts_, &shell_}};
    vyr::test::ModalDriver driver_;
};

TEST_F(WindowChainTest, FirstStartAsksTheLanguageThenShowsThePatientsInIt) {
    const struct {
        int downs;
        int button;
        uint8_t stored;
        const char* search;
    } cases[] = {{1, vyr::kIdCancel, 0, "Search"}, {4, vyr::kIdOk, 4, "Ricerca"}};
    for (const auto& c : cases) {
        std::filesystem::remove(settings_);
        driver_.Then([&c](QWidget* modal) {
            auto* language = Expect<vyr::CDlgLanguage>(modal);
            ASSERT_NE(language, nullptr);
            EXPECT_EQ(language->Combo(vyr::kIdLanguageChoice)->currentText(), "English");
            for (int i = 0; i < c.downs; ++i) {
                QTest::keyClick(language->Combo(vyr::kIdLanguageChoice), Qt::Key_Down);
            }
            vyr::test::ClickControl(*language, c.button);
        });
        driver_.Then([&c](QWidget* modal) {
            auto* patients = Expect<vyr::CVyrDlg>(modal);
            ASSERT_NE(patients, nullptr);
            EXPECT_EQ(patients->ControlText(vyr::kIdSearch), QString::fromUtf8(c.search));
            EXPECT_EQ(vyr::test::ListCell(*patients, vyr::kIdPatientList, 0, 1), "zevra");
            QTest::keyClick(patients, Qt::Key_Escape);
        });
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(vyr::test::ReadFileBytes(settings_),
                  (std::vector<uint8_t>{c.stored, 0, 0, 0, 0x49, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    EXPECT_EQ(std::filesystem::file_size(dir_.File("usrinfo.bin")), 156004u);
}

}  // namespace
