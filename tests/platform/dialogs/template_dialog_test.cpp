// TemplateDialog built from a table: an item index out of range, and Enter, Esc and the close box
// routed to the commands of the buttons. Clicks, typed choices and the default OK and Cancel are
// covered through the program's dialogs.
#include "platform/dialogs/template_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <array>
#include <string_view>

#include "platform/dialogs/combo_selection.h"

namespace {

using vyr::ControlKind;
using vyr::TemplateDialog;

constexpr std::array<std::string_view, 3> kItems = {"pear", "apple", "fig"};

constexpr std::array<vyr::ControlTemplate, 3> kControls = {{
    {14, ControlKind::kComboDropDown, "", {8, 66, 80, 60}, vyr::kStyleSorted, kItems},
    {vyr::kIdOk, ControlKind::kDefaultButton, "OK", {60, 130, 40, 14}},
    {vyr::kIdCancel, ControlKind::kButton, "Cancel", {104, 130, 40, 14}},
}};

constexpr vyr::DialogTemplate kTemplate{900, "Test window", 150, 150, vyr::kShellDlg8, kControls};

class TemplateDialogTest : public ::testing::Test {
protected:
    void SetUp() override { dialog_.show(); }
    TemplateDialog dialog_{kTemplate};
};

TEST_F(TemplateDialogTest, AnItemIndexOutOfRangeSelectsNothing) {
    vyr::SelectComboItem(dialog_.Combo(14), 65535);
    EXPECT_EQ(vyr::ComboSelection(dialog_.Combo(14)), -1);
    EXPECT_EQ(dialog_.Combo(14)->currentText(), "");
}

TEST_F(TemplateDialogTest, EnterPressesOnlyAnEnabledDefaultButtonEscAndCloseGoThroughCancel) {
    int ok = 0;
    int cancels = 0;
    dialog_.OnCommand(vyr::kIdOk, [&ok] { ++ok; });
    dialog_.OnCommand(vyr::kIdCancel, [&cancels] { ++cancels; });
    QTest::keyClick(&dialog_, Qt::Key_Return);
    dialog_.Control(vyr::kIdOk)->setEnabled(false);
    QTest::keyClick(&dialog_, Qt::Key_Return);
    EXPECT_EQ(ok, 1);
    QTest::keyClick(&dialog_, Qt::Key_Escape);
    dialog_.close();
    EXPECT_EQ(cancels, 2);
}

}  // namespace
