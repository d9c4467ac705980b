// TemplateDialog: controls built from a table at their pixel rectangles, found by id, their style
// flags, and commands dispatched per id from clicks, Enter, Esc and the close box.
#include "platform/dialogs/template_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <array>
#include <string_view>
#include <vector>

#include "platform/dialogs/combo_selection.h"
#include "support/gui/dialog_actions.h"

namespace {

using vyr::ControlKind;
using vyr::TemplateDialog;
using vyr::test::ClickControl;

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

TEST(TemplateDialog, BuildsEachControlAtItsPixelRectangle) {
    TemplateDialog dialog(kTemplate);
    EXPECT_EQ(dialog.windowTitle(), "Test window");
    EXPECT_EQ(dialog.size(), QSize(225, 244));  // 150 x 1.5, 150 x 1.625 rounded
    EXPECT_NE(qobject_cast<QRadioButton*>(dialog.Control(10)), nullptr);
    EXPECT_EQ(dialog.Label(12)->text(), "Label");
    EXPECT_EQ(dialog.Label(12)->geometry(), QRect(12, 81, 60, 13));
    EXPECT_EQ(dialog.Edit(13)->geometry(), QRect(75, 81, 90, 20));
    EXPECT_EQ(dialog.Control(99), nullptr);
    EXPECT_EQ(dialog.Control(vyr::kNoControlId), nullptr);
    // The System font's scale is two pixels per unit both ways.
    EXPECT_EQ(vyr::DluToPixels({7, 41, 146, 73}, vyr::kSystem10), QRect(14, 82, 292, 146));
    // Combo boxes are as high as their edit field, not their drop-down list.
    EXPECT_LT(dialog.Combo(14)->height(),
              vyr::DluToPixels({0, 0, 0, 60}, vyr::kShellDlg8).height());
}

TEST(TemplateDialog, StyleFlagsShapeTheControlsAndCommandsRunPerId) {
    TemplateDialog dialog(kTemplate);
    dialog.show();
    EXPECT_TRUE(dialog.Control(16)->isHidden());
    QComboBox* combo = dialog.Combo(14);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "apple");  // sorted
    EXPECT_EQ(vyr::ComboSelection(combo), -1);
    vyr::SelectComboItem(combo, 1);
    EXPECT_EQ(vyr::ComboSelection(combo), 1);
    QTest::keyClicks(combo->lineEdit(), "s");  // typed over the choice: no selection
    EXPECT_EQ(vyr::ComboSelection(combo), -1);
    vyr::SelectComboItem(combo, 65535);
    EXPECT_EQ(combo->currentText(), "");

    // Radio buttons of their own group: each click checks its button and leaves the other alone,
    // and runs the handler of its id.
    std::vector<int> commands;
    dialog.OnCommand(10, [&commands] { commands.push_back(10); });
    dialog.OnCommand(11, [&commands] { commands.push_back(11); });
    ClickControl(dialog, 10);
    ClickControl(dialog, 11);
    ClickControl(dialog, 11);
    EXPECT_TRUE(dialog.Button(10)->isChecked());
    EXPECT_TRUE(dialog.Button(11)->isChecked());
    EXPECT_EQ(commands, (std::vector<int>{10, 11, 11}));
}

TEST(TemplateDialog, EnterPressesOnlyTheDefaultButton) {
    TemplateDialog dialog(kTemplate);
    dialog.show();
    int ok = 0;
    dialog.OnCommand(vyr::kIdOk, [&ok] { ++ok; });
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(ok, 1);
    // A disabled default button answers nothing.
    dialog.Control(vyr::kIdOk)->setEnabled(false);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(ok, 1);
}

TEST(TemplateDialog, EscAndTheCloseBoxGoThroughTheCancelCommand) {
    TemplateDialog dialog(kTemplate);
    dialog.show();
    int cancels = 0;
    dialog.OnCommand(vyr::kIdCancel, [&cancels] { ++cancels; });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    EXPECT_EQ(cancels, 2);
    // The default Cancel ends the dialog with Rejected, the default OK with Accepted.
    TemplateDialog plain(kTemplate);
    plain.show();
    ClickControl(plain, vyr::kIdCancel);
    EXPECT_EQ(plain.result(), QDialog::Rejected);
    EXPECT_FALSE(plain.isVisible());
    plain.show();
    ClickControl(plain, vyr::kIdOk);
    EXPECT_EQ(plain.result(), QDialog::Accepted);
    EXPECT_FALSE(plain.isVisible());
}

}  // namespace
