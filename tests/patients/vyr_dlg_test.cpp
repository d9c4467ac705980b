// The patient dialog through its controls: the first open, its languages, Save with its limit,
// Edit and Delete of the clicked row, texts cut to their fields, Enter and the about box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QTest>

#include "patient_dialog_fixture.h"
#include "patients/dialog/about_dlg.h"
#include "support/file_bytes.h"
#include "support/gui/modal_driver.h"

namespace {

using vyr::test::ClickControl;
using vyr::test::ClickListRow;
using vyr::test::ReadFileBytes;
using vyr::test::TypeInto;
using PatientDialog = vyr::test::PatientDialogTest;
using Cells = std::vector<QString>;

TEST_F(PatientDialog, FirstOpenCreatesTheSamplePatientAndShowsIt) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Vyr");
    ASSERT_EQ(Rows(*dialog), 1);
    EXPECT_EQ(Row(*dialog, 0), (Cells{"1", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Boxes(*dialog), (Cells{"zevra", "30", "10000", "Male"}));
    EXPECT_EQ(dialog->Combo(vyr::kIdGenderChoice)->itemText(0), "Female");
    const auto bytes = ReadFileBytes(dir_.File("usrinfo.bin"));
    EXPECT_EQ(bytes.size(), 156004u);
    EXPECT_EQ(vyr::test::U32At(bytes, 0), 1u);
    // The patient dialog reads language.ini but never creates it; index 0 without it.
    EXPECT_FALSE(std::filesystem::exists(dir_.File("language.ini")));
    EXPECT_EQ(dialog->ControlText(vyr::kIdEnter), "Login");
    EXPECT_EQ(dialog->ControlText(vyr::kIdGenderLabel), "Gender");
    // The list and the edit boxes use a font half as large again; buttons keep the template's.
    const int templatePoints = dialog->Button(vyr::kIdSave)->font().pointSize();
    EXPECT_EQ(dialog->List(vyr::kIdPatientList)->font().pointSize(), templatePoints * 3 / 2);
    EXPECT_EQ(dialog->Edit(vyr::kIdTelBox)->font().pointSize(), templatePoints * 3 / 2);
    EXPECT_EQ(dialog->selectionIndex(), -1);
    EXPECT_FALSE(dialog->inSearchMode());
}

TEST_F(PatientDialog, IndicesOutsideTheSixLanguagesKeepTheTemplateCaptions) {
    for (int32_t index : {6, -1}) {
        StoreLanguage(index);
        auto dialog = Open();
        const Cells captions = {
            dialog->ControlText(vyr::kIdNew),         dialog->ControlText(vyr::kIdSave),
            dialog->ControlText(vyr::kIdDelete),      dialog->ControlText(vyr::kIdEdit),
            dialog->ControlText(vyr::kIdSearch),      dialog->ControlText(vyr::kIdEnter),
            dialog->ControlText(vyr::kIdNameLabel),   dialog->ControlText(vyr::kIdAgeLabel),
            dialog->ControlText(vyr::kIdGenderLabel), dialog->ControlText(vyr::kIdTelLabel)};
        EXPECT_EQ(captions, (Cells{"New", "Save", "Delete", "Edit", "Search", "Enter",
                                   "Name:", "Age:", "Gender:", "TEL:"}))
            << index;
    }
}

TEST_F(PatientDialog, SaveAddsThePatientInTheBoxesEveryTime) {
    auto dialog = Open();
    TypeInto(*dialog, vyr::kIdNameBox, "anna");
    TypeInto(*dialog, vyr::kIdAgeBox, "41");
    TypeInto(*dialog, vyr::kIdTelBox, "777");
    dialog->Combo(vyr::kIdGenderChoice)->setCurrentIndex(0);
    ClickControl(*dialog, vyr::kIdSave);
    ClickControl(*dialog, vyr::kIdSave);
    ASSERT_EQ(Rows(*dialog), 3);
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "anna", "41", "0", "777"}));
    EXPECT_EQ(Row(*dialog, 2), (Cells{"3", "anna", "41", "0", "777"}));
    vyr::PatientStore reread(dir_.File("usrinfo.bin"));
    ASSERT_EQ(reread.LoadOrCreate(), vyr::LoadResult::kLoaded);
    EXPECT_EQ(reread.Count(), 3);
    EXPECT_EQ(reread.Slot(2).Tel(), "777");
}

TEST_F(PatientDialog, SaveAdds991PatientsAndRefusesThe992ndWithTheFileUnchanged) {
    StorePatients(990);
    auto dialog = Open();
    ASSERT_EQ(Rows(*dialog), 990);
    TypeInto(*dialog, vyr::kIdTelBox, "991");
    ClickControl(*dialog, vyr::kIdSave);
    EXPECT_EQ(Rows(*dialog), 991);
    EXPECT_TRUE(prompts_.asked().empty());
    const auto before = ReadFileBytes(dir_.File("usrinfo.bin"));

    ClickControl(*dialog, vyr::kIdSave);
    ASSERT_EQ(prompts_.asked().size(), 1u);
    EXPECT_EQ(prompts_.asked()[0].message.text, "only support 1000 users!");
    EXPECT_EQ(prompts_.asked()[0].message.caption, "Vyr");
    EXPECT_EQ(ReadFileBytes(dir_.File("usrinfo.bin")), before);
    EXPECT_EQ(Rows(*dialog), 991);
}

TEST_F(PatientDialog, EditChangesTheClickedPatientAndKeepsOldBytesBehindTheName) {
    StorePatients(3);
    auto dialog = Open();
    ClickListRow(*dialog, vyr::kIdPatientList, 1);
    EXPECT_EQ(dialog->selectionIndex(), 1);
    EXPECT_EQ(Boxes(*dialog), (Cells{"p1", "21", "t1", "Male"}));
    TypeInto(*dialog, vyr::kIdNameBox, "abcdefgh");
    ClickControl(*dialog, vyr::kIdEdit);
    EXPECT_EQ(dialog->selectionIndex(), -1);
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "abcdefgh", "21", "1", "t1"}));

    ClickListRow(*dialog, vyr::kIdPatientList, 1);
    TypeInto(*dialog, vyr::kIdNameBox, "xy");
    ClickControl(*dialog, vyr::kIdEdit);
    EXPECT_EQ(Row(*dialog, 1)[1], "xy");
    const auto bytes = ReadFileBytes(dir_.File("usrinfo.bin"));
    const size_t name = 4 + 156 + 4;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[name]), 9),
              std::string("xy\0defgh\0", 9));

    // Without a fresh click, Edit does nothing.
    TypeInto(*dialog, vyr::kIdNameBox, "nobody");
    ClickControl(*dialog, vyr::kIdEdit);
    EXPECT_EQ(ReadFileBytes(dir_.File("usrinfo.bin")), bytes);
}

TEST_F(PatientDialog, DeleteRemovesTheClickedRowAndMovesTheLaterRowsUp) {
    StorePatients(5);
    auto dialog = Open();
    ClickListRow(*dialog, vyr::kIdPatientList, 1);
    ClickControl(*dialog, vyr::kIdDelete);
    ASSERT_EQ(Rows(*dialog), 4);
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "p2", "22", "0", "t2"}));
    EXPECT_EQ(Row(*dialog, 3), (Cells{"4", "p4", "24", "0", "t4"}));
    EXPECT_EQ(Boxes(*dialog), (Cells{"", "", "", "Male"}));
    const auto bytes = ReadFileBytes(dir_.File("usrinfo.bin"));
    EXPECT_EQ(vyr::test::U32At(bytes, 0), 4u);
    EXPECT_TRUE(
        std::all_of(bytes.begin() + 4 + 4 * 156, bytes.end(), [](uint8_t b) { return b == 0; }));
    // Without a fresh click, Delete does nothing.
    ClickControl(*dialog, vyr::kIdDelete);
    EXPECT_EQ(Rows(*dialog), 4);
}

TEST_F(PatientDialog, TextsLongerThanTheirFieldsAreCutAtCharacterBoundaries) {
    auto dialog = Open();
    TypeInto(*dialog, vyr::kIdNameBox, QString(120, 'n'));
    TypeInto(*dialog, vyr::kIdAgeBox, QString::fromUtf8("é").repeated(12));   // 24 bytes
    TypeInto(*dialog, vyr::kIdTelBox, QString::fromUtf8("电").repeated(12));  // 36 bytes
    ClickControl(*dialog, vyr::kIdSave);
    const vyr::PatientRecord saved = app_.patientStore().Slot(1);
    EXPECT_EQ(saved.Name(), std::string(99, 'n'));
    EXPECT_EQ(QString::fromStdString(std::string(saved.Age())), QString::fromUtf8("é").repeated(9));
    EXPECT_EQ(QString::fromStdString(std::string(saved.Tel())),
              QString::fromUtf8("电").repeated(9));
    EXPECT_EQ(Row(*dialog, 1)[4], QString::fromUtf8("电").repeated(9));
}

TEST_F(PatientDialog, EnterRefusesAnEmptyOrUnusableTelAndOtherwiseHandsThePatientOver) {
    auto dialog = Open();
    TypeInto(*dialog, vyr::kIdNameBox, "anna");
    for (const char* tel : {"", "../../etc", "a/b", ".."}) {
        TypeInto(*dialog, vyr::kIdTelBox, tel);
        ClickControl(*dialog, vyr::kIdEnter);
        EXPECT_FALSE(dialog->entered()) << tel;
    }
    ASSERT_EQ(prompts_.asked().size(), 4u);
    const auto& empty = prompts_.asked()[0];
    EXPECT_EQ(empty.message.text, "TEL is null");
    EXPECT_EQ(empty.message.caption, "Warning!");
    EXPECT_EQ(empty.message.icon, vyr::PromptIcon::kWarning);
    EXPECT_EQ(empty.owner, nullptr);
    EXPECT_TRUE(prompts_.asked()[1].message.text.startsWith("TEL cannot be used as a folder"));
    EXPECT_TRUE(dialog->isVisible());
    // The current patient was replaced all the same.
    vyr::PatientRecord current;
    (void)app_.GetCurrentPatient(&current);
    EXPECT_EQ(current.Name(), "anna");
    EXPECT_EQ(current.Tel(), "..");

    TypeInto(*dialog, vyr::kIdNameBox, "");
    TypeInto(*dialog, vyr::kIdTelBox, "555");
    dialog->Combo(vyr::kIdGenderChoice)->setCurrentIndex(0);
    ClickControl(*dialog, vyr::kIdEnter);
    EXPECT_TRUE(dialog->entered());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(prompts_.asked().size(), 4u);
    (void)app_.GetCurrentPatient(&current);
    EXPECT_EQ(current.Name(), "");
    EXPECT_EQ(current.Tel(), "555");
    EXPECT_EQ(current.gender, vyr::kGenderFemale);
    EXPECT_EQ(current.inUse, 0);
}

TEST_F(PatientDialog, TheAboutEntryOpensTheAboutBox) {
    auto dialog = Open();
    ASSERT_EQ(dialog->actions().size(), 1);
    EXPECT_EQ(dialog->actions()[0]->text(), QString::fromUtf8("关于 Vyr(&A)..."));
    vyr::test::ModalDriver driver;
    driver.Then([](QWidget* modal) {
        auto* about = dynamic_cast<vyr::CAboutDlg*>(modal);
        ASSERT_NE(about, nullptr);
        vyr::test::ClickControl(*about, vyr::kIdOk);
    });
    driver.Run([&dialog] {
        dialog->OnSysCommand(vyr::kIdmAboutBox | 0x3);  // the low four bits are ignored
        dialog->OnSysCommand(0xF060);                   // another command: no about box
    });
    EXPECT_EQ(driver.stepsLeft(), 0);
    EXPECT_EQ(driver.unexpected(), 0);
}

}  // namespace
