// A patient dialog on a working folder of its own, with prompts answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTableWidget>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/core/vyr_app.h"
#include "patient_images.h"
#include "patients/dialog/patient_list.h"
#include "patients/dialog/vyr_dlg.h"
#include "patients/dialog/vyr_dlg_template.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/gui/dialog_actions.h"
#include "support/temp_dir.h"

namespace vyr::test {

class PatientDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<CVyrDlg> Open() {
        auto dialog = std::make_unique<CVyrDlg>(app_);
        dialog->show();
        return dialog;
    }

    void StoreLanguage(int32_t index) {
        (void)WriteSettingsFile(dir_.File("language.ini"), SettingsToBytes({index, 73, 0, 0}));
    }
    void StorePatients(int n) { WriteImage(dir_.File("usrinfo.bin"), TableWithPatients(n)); }

    // The five cells of a list row.
    static std::vector<QString> Row(CVyrDlg& dialog, int row) {
        std::vector<QString> cells;
        for (int column = 0; column < 5; ++column) {
            cells.push_back(ListCell(dialog, kIdPatientList, row, column));
        }
        return cells;
    }
    static int Rows(CVyrDlg& dialog) { return dialog.List(kIdPatientList)->rowCount(); }
    static std::vector<QString> Boxes(CVyrDlg& dialog) {
        return {dialog.ControlText(kIdNameBox), dialog.ControlText(kIdAgeBox),
                dialog.ControlText(kIdTelBox), dialog.Combo(kIdGenderChoice)->currentText()};
    }

    TempDir dir_;
    testing::ScriptedPrompts prompts_;
    testing::RecordingShell shell_;
    CVyrApp app_{{.cameraAddress = kDefaultCameraAddress,
                  .settingsFile = dir_.File("language.ini"),
                  .patientFile = dir_.File("usrinfo.bin"),
                  .exeDir = dir_.path().string()},
                 {&prompts_, &shell_}};
};

}  // namespace vyr::test
