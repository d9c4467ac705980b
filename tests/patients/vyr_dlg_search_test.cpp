// The patient dialog's search: whole-field matching, the double listing, search mode and how Edit
// after a search and New reaches the patient that was chosen.
#include <gtest/gtest.h>

#include <QAbstractButton>

#include "patient_dialog_fixture.h"

namespace {

using vyr::test::ClickControl;
using vyr::test::ClickListRow;
using vyr::test::TypeInto;
using PatientSearch = vyr::test::PatientDialogTest;
using Cells = std::vector<QString>;

bool EditingEnabled(vyr::CVyrDlg& dialog) {
    return dialog.Button(vyr::kIdEdit)->isEnabled() && dialog.Button(vyr::kIdDelete)->isEnabled() &&
           dialog.Button(vyr::kIdSave)->isEnabled();
}

TEST_F(PatientSearch, AClickedPatientIsListedTwiceForNameAndTel) {
    auto dialog = Open();
    TypeInto(*dialog, vyr::kIdTelBox, "777");
    ClickControl(*dialog, vyr::kIdSave);  // a second patient, zevra with TEL 777
    ClickListRow(*dialog, vyr::kIdPatientList, 0);
    ClickControl(*dialog, vyr::kIdSearch);
    EXPECT_TRUE(dialog->inSearchMode());
    EXPECT_FALSE(dialog->Button(vyr::kIdEdit)->isEnabled());
    EXPECT_FALSE(dialog->Button(vyr::kIdDelete)->isEnabled());
    EXPECT_FALSE(dialog->Button(vyr::kIdSave)->isEnabled());
    EXPECT_TRUE(dialog->Button(vyr::kIdEnter)->isEnabled());
    // Slot 0 by name and TEL, slot 1 by name: rows numbered by result.
    ASSERT_EQ(Rows(*dialog), 3);
    EXPECT_EQ(Row(*dialog, 0), (Cells{"1", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Row(*dialog, 1), (Cells{"2", "zevra", "30", "1", "10000"}));
    EXPECT_EQ(Row(*dialog, 2), (Cells{"3", "zevra", "30", "1", "777"}));
    // The boxes show the last row added.
    EXPECT_EQ(Boxes(*dialog)[2], "777");
    EXPECT_TRUE(prompts_.asked().empty());
}

TEST_F(PatientSearch, PrefixesAndOtherCaseFindNothingAndChangeNothing) {
    auto dialog = Open();
    for (const char* name : {"zev", "ZEVRA", "zevra "}) {
        TypeInto(*dialog, vyr::kIdNameBox, name);
        TypeInto(*dialog, vyr::kIdTelBox, "1000");
        ClickControl(*dialog, vyr::kIdSearch);
        EXPECT_FALSE(dialog->inSearchMode()) << name;
        EXPECT_EQ(Boxes(*dialog)[0], name);
    }
    ASSERT_EQ(prompts_.asked().size(), 3u);
    EXPECT_EQ(prompts_.asked()[0].message.text, "No information found!");
    EXPECT_EQ(prompts_.asked()[0].message.caption, "Warning");
    EXPECT_EQ(prompts_.asked()[0].owner, nullptr);
    EXPECT_EQ(Rows(*dialog), 1);
    EXPECT_TRUE(EditingEnabled(*dialog));
}

TEST_F(PatientSearch, NewEndsSearchModeAndShowsTheWholeStore) {
    StorePatients(4);
    auto dialog = Open();
    TypeInto(*dialog, vyr::kIdNameBox, "p2");
    TypeInto(*dialog, vyr::kIdTelBox, "none");
    ClickControl(*dialog, vyr::kIdSearch);
    ASSERT_TRUE(dialog->inSearchMode());
    ASSERT_EQ(Rows(*dialog), 1);
    ClickControl(*dialog, vyr::kIdNew);
    EXPECT_FALSE(dialog->inSearchMode());
    EXPECT_TRUE(EditingEnabled(*dialog));
    EXPECT_EQ(Rows(*dialog), 4);
    EXPECT_EQ(Boxes(*dialog)[0], "");
    EXPECT_EQ(Boxes(*dialog)[2], "");
}

TEST_F(PatientSearch, EditAfterASearchAndNewChangesThePatientThatWasClicked) {
    StorePatients(4);
    auto dialog = Open();
    // Find p3 by its TEL; its result row is row 0, while store row 0 is p0.
    TypeInto(*dialog, vyr::kIdNameBox, "");
    TypeInto(*dialog, vyr::kIdTelBox, "t3");
    ClickControl(*dialog, vyr::kIdSearch);
    ASSERT_EQ(Rows(*dialog), 1);
    ClickListRow(*dialog, vyr::kIdPatientList, 0);
    EXPECT_EQ(dialog->selectionIndex(), 0);
    ClickControl(*dialog, vyr::kIdNew);
    TypeInto(*dialog, vyr::kIdNameBox, "renamed");
    TypeInto(*dialog, vyr::kIdTelBox, "t3");
    ClickControl(*dialog, vyr::kIdEdit);
    EXPECT_EQ(Row(*dialog, 0)[1], "p0");
    EXPECT_EQ(Row(*dialog, 3)[1], "renamed");
    vyr::PatientStore reread(dir_.File("usrinfo.bin"));
    ASSERT_EQ(reread.LoadOrCreate(), vyr::LoadResult::kLoaded);
    EXPECT_EQ(reread.Slot(0).Name(), "p0");
    EXPECT_EQ(reread.Slot(3).Name(), "renamed");
}

}  // namespace
