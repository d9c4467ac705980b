// The patient dialog through its controls on a working folder of its own, prompts answered by the
// test: the first open, Save with its limit, Edit and Delete of the clicked row, Enter, and the
// search with its double listing, search mode and how Edit after a search and New reaches the
// patient that was chosen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <memory>

#include "app/core/vyr_app.h"
#include "patient_images.h"
#include "patients/dialog/vyr_dlg.h"
#include "patients/dialog/vyr_dlg_template.h"
#include "platform/dialogs/testing/recording_shell.h"
#include "platform/dialogs/testing/scripted_prompts.h"
#include "settings/settings_file.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/temp_dir.h"

namespace vyr::test {
namespace {

using Cells = std::vector<QString>;

class PatientDialog : public ::testing::Test {
protected:
    std::unique_ptr<CVyrDlg> Open() {
        auto dialog = std::make_unique<CVyrDlg>(app_);
        dialog->show();
        return dialog;
    }
    void StorePatients(int n) { WriteImage(file_, TableWithPatients(n)); }
    std::vector<uint8_t> Stored() const { return ReadFileBytes(file_); }
    // The five cells of a list row.
    static Cells Row(CVyrDlg& dialog, int row) {
        Cells cells;
        for (int column = 0; column < 5; ++column) {
            cells.push_back(ListCell(dialog, kIdPatientList, row, column));
        }
        return cells;
    }
    static int Rows(CVyrDlg& dialog) { return dialog.List(kIdPatientList)->rowCount(); }
    static Cells Boxes(CVyrDlg& dialog) {
        return {dialog.ControlText(kIdNameBox), dialog.ControlText(kIdAgeBox),
                dialog.ControlText(kIdTelBox), dialog.Combo(kIdGenderChoice)->currentText()};
    }
    static bool EditingEnabled(CVyrDlg& dialog) {
        return dialog.Button(kIdEdit)->isEnabled() && dialog.Button(kIdDelete)->isEnabled() &&
               dialog.Button(kIdSave)->isEnabled();
    }

    TempDir dir_;
    const std::string file_ = dir_.File("usrinfo.bin");
    testing::ScriptedPrompts prompts_;
    testing::RecordingShell shell_;
    CVyrApp app_{{.cameraAddress = kDefaultCameraAddress,
                  .settingsFile = dir_.File("language.ini"),
                  .patientFile = file_,
                  .exeDir = dir_.path().string()},
                 {&prompts_, &shell_}};
};

TEST_F(PatientDialog, CaptionsFollowTheLanguageAndOtherIndicesKeepTheTemplate) {
    // Captions of the buttons Save to Enter, then of the labels.
    const std::pair<int32_t, const char*> rows[] = {
        {0, "Save|New|Delete|Edit|Search|Login|TEL:|Name:|Age:|Gender"},
        {1, "保存|新增|删除|编辑|搜索|登录|电话:|姓名:|年龄:|性别"},
        {2, "Salvar|Nuevo|Eliminar|Editar|Buscar|Login|TEL:|Nombre:|Edad:|Sexo"},
        {3, "Salvar|Novo|Excluir|Editar|Pesquisar|Login|TEL:|Nome:|Idade:|Sexo"},
        {4, "Salva|Nuovo|Elimina|modificare|Ricerca|Login|TEL:|Nome:|Età:|Genere"},
        {5, "保存|新增|刪除|編輯|搜索|登錄|電話:|姓名:|年齡:|性別"},
        {6, "Save|New|Delete|Edit|Search|Enter|TEL:|Name:|Age:|Gender:"},
        {-1, "Save|New|Delete|Edit|Search|Enter|TEL:|Name:|Age:|Gender:"}};
    for (const auto& [language, captions] : rows) {
        ASSERT_EQ(
            WriteSettingsFile(dir_.File("language.ini"), SettingsToBytes({language, 73, 0, 0})), 0);
        EXPECT_EQ(Captions(*Open(), {kIdSave, kIdNew, kIdDelete, kIdEdit, kIdSearch, kIdEnter,
                                     kIdTelLabel, kIdNameLabel, kIdAgeLabel, kIdGenderLabel}),
                  QString::fromUtf8(captions))
            << "language " << language;
    }
}

TEST_F(PatientDialog, SaveAdds991PatientsAndRefusesThe992ndWithTheFileUnchanged) {
    StorePatients(990);
    auto dialog = Open();
    TypeInto(*dialog, kIdTelBox, "991");
    ClickControl(*dialog, kIdSave);
    EXPECT_EQ(Rows(*dialog), 991);
    EXPECT_TRUE(prompts_.asked().empty());
    const auto before = Stored();
    EXPECT_EQ(U32At(before, 0), 991u);
    ClickControl(*dialog, kIdSave);
    ASSERT_EQ(prompts_.asked().size(), 1u);
    EXPECT_EQ(prompts_.asked()[0].message.text, "only support 1000 users!");
    EXPECT_EQ(prompts_.asked()[0].message.caption, "Vyr");
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(Rows(*dialog), 991);
}

TEST_F(PatientDialog, EditChangesTheClickedPatientAndKeepsOldBytesBehindTheName) {
    StorePatients(3);
    auto dialog = Open();
    ClickListRow(*dialog, kIdPatientList, 1);
    EXPECT_EQ(dialog->selectionIndex(), 1);
    EXPECT_EQ(Boxes(*dialog), (Cells{"p1", "21", "t1", "Male"}));
    TypeInto(*dialog, kIdNameBox, "abcdefgh");
    ClickControl(*dialog, kIdEdit);
    EXPECT_EQ(dialog->selectionIndex(), -1);
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "abcdefgh", "21", "1", "t1"}));
    ClickListRow(*dialog, kIdPatientList, 1);
    TypeInto(*dialog, kIdNameBox, "xy");
    ClickControl(*dialog, kIdEdit);
    EXPECT_EQ(Row(*dialog, 1)[1], "xy");
    const auto bytes = Stored();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[4 + 156 + 4]), 9),
              std::string("xy\0defgh\0", 9));
    // Without a fresh click, Edit and Delete do nothing.
    TypeInto(*dialog, kIdNameBox, "nobody");
    ClickControl(*dialog, kIdEdit);
    ClickControl(*dialog, kIdDelete);
    EXPECT_EQ(Stored(), bytes);
}

TEST_F(PatientDialog, DeleteRemovesTheClickedRowAndMovesTheLaterRowsUp) {
    StorePatients(5);
    auto dialog = Open();
    ClickListRow(*dialog, kIdPatientList, 1);
    ClickControl(*dialog, kIdDelete);
    ASSERT_EQ(Rows(*dialog), 4);
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "p2", "22", "0", "t2"}));
    EXPECT_EQ(Row(*dialog, 3), (Cells{"4", "p4", "24", "0", "t4"}));
    EXPECT_EQ(Boxes(*dialog), (Cells{"", "", "", "Male"}));
    EXPECT_EQ(U32At(Stored(), 0), 4u);  // the zeroed tail is the store suite's
}

TEST_F(PatientDialog, EnterRefusesAnEmptyOrUnusableTelAndOtherwiseHandsThePatientOver) {
    auto dialog = Open();
    TypeInto(*dialog, kIdNameBox, "anna");
    for (const char* tel : {"", ".."}) {  // which TELs are usable is the app core suite's
        TypeInto(*dialog, kIdTelBox, tel);
        ClickControl(*dialog, kIdEnter);
        EXPECT_FALSE(dialog->entered()) << tel;
    }
    ASSERT_EQ(prompts_.asked().size(), 2u);
    EXPECT_EQ(prompts_.asked()[0].message.text, "TEL is null");
    EXPECT_TRUE(prompts_.asked()[1].message.text.startsWith("TEL cannot be used as a folder"));
    EXPECT_TRUE(dialog->isVisible());
    // The current patient was replaced all the same.
    PatientRecord current;
    (void)app_.GetCurrentPatient(&current);
    EXPECT_EQ(current.Tel(), "..");

    TypeInto(*dialog, kIdNameBox, "");
    TypeInto(*dialog, kIdTelBox, "555");
    dialog->Combo(kIdGenderChoice)->setCurrentIndex(0);
    ClickControl(*dialog, kIdEnter);
    EXPECT_TRUE(dialog->entered());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(prompts_.asked().size(), 2u);
    (void)app_.GetCurrentPatient(&current);
    EXPECT_EQ(current.Name(), "");
    EXPECT_EQ(current.Tel(), "555");
    EXPECT_EQ(current.gender, kGenderFemale);
}

// The first open shows the sample patient it creates. A search that finds nothing changes nothing
// (the whole-field rule is the store suite's); one that finds lists a patient twice, for name and
// for TEL.
TEST_F(PatientDialog, FirstOpenThenASearchListsAPatientTwiceAndOneThatFindsNoneChangesNothing) {
    auto dialog = Open();
    ASSERT_EQ(Rows(*dialog), 1);
    EXPECT_EQ(Row(*dialog, 0), (Cells{"1", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Boxes(*dialog), (Cells{"zevra", "30", "10000", "Male"}));
    EXPECT_EQ(dialog->Combo(kIdGenderChoice)->itemText(0), "Female");
    // The patient dialog reads language.ini but never creates it.
    EXPECT_FALSE(std::filesystem::exists(dir_.File("language.ini")));

    TypeInto(*dialog, kIdNameBox, "zev");
    TypeInto(*dialog, kIdTelBox, "1000");
    ClickControl(*dialog, kIdSearch);
    EXPECT_FALSE(dialog->inSearchMode());
    ASSERT_EQ(prompts_.asked().size(), 1u);
    EXPECT_EQ(prompts_.asked()[0].message.text, "No information found!");
    EXPECT_EQ(Rows(*dialog), 1);
    EXPECT_TRUE(EditingEnabled(*dialog));

    TypeInto(*dialog, kIdNameBox, "zevra");
    TypeInto(*dialog, kIdTelBox, "777");
    ClickControl(*dialog, kIdSave);  // a second patient, zevra with TEL 777
    ClickListRow(*dialog, kIdPatientList, 0);
    ClickControl(*dialog, kIdSearch);
    EXPECT_TRUE(dialog->inSearchMode());
    EXPECT_FALSE(dialog->Button(kIdEdit)->isEnabled() || dialog->Button(kIdDelete)->isEnabled() ||
                 dialog->Button(kIdSave)->isEnabled());
    EXPECT_TRUE(dialog->Button(kIdEnter)->isEnabled());
    // Slot 0 by name and TEL, slot 1 by name: rows numbered by result.
    ASSERT_EQ(Rows(*dialog), 3);
    EXPECT_EQ(Row(*dialog, 0), (Cells{"1", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Row(*dialog, 2), (Cells{"3", "zevra", "30", "1", "777"}));
    EXPECT_EQ(Boxes(*dialog)[2], "777");  // the last row added
}

TEST_F(PatientDialog, EditAfterASearchAndNewChangesThePatientThatWasClicked) {
    StorePatients(4);
    auto dialog = Open();
    // Find p3 by its TEL; its result row is row 0, while store row 0 is p0.
    TypeInto(*dialog, kIdNameBox, "");
    TypeInto(*dialog, kIdTelBox, "t3");
    ClickControl(*dialog, kIdSearch);
    ASSERT_EQ(Rows(*dialog), 1);
    ClickListRow(*dialog, kIdPatientList, 0);
    ClickControl(*dialog, kIdNew);
    // New ends search mode and shows the whole store with empty boxes.
    EXPECT_FALSE(dialog->inSearchMode());
    EXPECT_TRUE(EditingEnabled(*dialog));
    EXPECT_EQ(Rows(*dialog), 4);
    EXPECT_EQ(Boxes(*dialog)[0], "");
    TypeInto(*dialog, kIdNameBox, "renamed");
    TypeInto(*dialog, kIdTelBox, "t3");
    ClickControl(*dialog, kIdEdit);
    PatientStore reread(file_);
    ASSERT_EQ(reread.LoadOrCreate(), LoadResult::kLoaded);
    EXPECT_EQ(reread.Slot(0).Name(), "p0");
    EXPECT_EQ(reread.Slot(3).Name(), "renamed");
}

}  // namespace
}  // namespace vyr::test
