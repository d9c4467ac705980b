// TemplateDialog: controls built from a table at their pixel rectangles, an item index out of
// range, and Enter, Esc and the close box routed to the commands of the buttons. Clicks, typed
// choices and the default OK and Cancel are covered through the program's dialogs.
#include "platform/dialogs/template_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <string_view>

#include "platform/dialogs/combo_selection.h"

namespace {

using vyr::ControlKind;
using vyr::TemplateDialog;

constexpr std::array<std::string_view, 3> kItems = {"pear", "apple", "fig"};

constexpr std::array<vyr::ControlTemplate, 10> kControls = {{
    {vyr::kNoControlId, ControlKind::kGroupBox, "Frame", {4, 4, 100, 40}},
    {10, ControlKind::kAutoRadio, "A", {8, 16, 30, 10}, vyr::kStyleOwnGroup},
    {11, ControlKind::kAutoRadio, "B", {40, 16, 30, 10}, vyr::kStyleOwnGroup},
    {12, ControlKind::kLabel, "Label", {8, 50, 40, 8}},
    {13, ControlKind::kEdit, "", {50, 50, 60, 12}, vyr::kStyleBorder},
    {14, ControlKind::kComboDropDown, "", {8, 66, 80, 60}, vyr::kStyleSorted, kItems},
    {15, ControlKind::kListReport, "", {8, 84, 120, 40}, vyr::kStyleBorder},
    {16, ControlKind::kButton, "Hidden", {8, 130, 40, 14}, vyr::kStyleHidden},
    {vyr::kIdOk, ControlKind::kDefaultButton, "OK", {60, 130, 40, 14}},
    {vyr::kIdCancel, ControlKind::kButton, "Cancel", {104, 130, 40, 14}},
}};

constexpr vyr::DialogTemplate kTemplate{900, "Test window", 150, 150, vyr::kShellDlg8, kControls};

class TemplateDialogTest : public ::testing::Test {
protected:
    void SetUp() override { dialog_.show(); }
    TemplateDialog dialog_{kTemplate};
};

TEST_F(TemplateDialogTest, BuildsEachControlAtItsPixelRectangle) {
    EXPECT_EQ(dialog_.windowTitle(), "Test window");
    EXPECT_EQ(dialog_.size(), QSize(225, 244));  // 150 x 1.5, 150 x 1.625 rounded
    EXPECT_EQ(dialog_.Label(12)->geometry(), QRect(12, 81, 60, 13));
    EXPECT_EQ(dialog_.Edit(13)->geometry(), QRect(75, 81, 90, 20));
    // The System font's scale is two pixels per unit both ways.
    EXPECT_EQ(vyr::DluToPixels({7, 41, 146, 73}, vyr::kSystem10), QRect(14, 82, 292, 146));
    // Combo boxes are as high as their edit field, not their drop-down list.
    EXPECT_LT(dialog_.Combo(14)->height(),
              vyr::DluToPixels({0, 0, 0, 60}, vyr::kShellDlg8).height());
    EXPECT_TRUE(dialog_.Control(16)->isHidden());
}

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
