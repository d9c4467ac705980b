// The first-run language dialog beyond the start-up tests: an existing file keeps its other
// numbers, and text typed instead of a choice stores no language.
#include "app/dialogs/dlg_language.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/temp_dir.h"

namespace {

using vyr::CDlgLanguage;
using vyr::test::ClickControl;
using vyr::test::ReadFileBytes;

TEST(LanguageDialog, OkChangesOnlyTheLanguageOfAnExistingFile) {
    vyr::test::TempDir dir;
    const std::string path = dir.File("language.ini");
    const char stored[16] = {2, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
    std::ofstream(path, std::ios::binary).write(stored, 16);
    CDlgLanguage dialog(path);
    dialog.show();
    QComboBox* choice = dialog.Combo(vyr::kIdLanguageChoice);
    EXPECT_EQ(choice->currentText(), "English");  // whatever the file holds
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(choice, Qt::Key_Down);
    }
    ASSERT_EQ(choice->currentText(), QString::fromUtf8("繁體中文"));
    ClickControl(dialog, vyr::kIdOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadFileBytes(path),
              (std::vector<uint8_t>{5, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}));
}

TEST(LanguageDialog, TypedTextStoresNoLanguage) {
    vyr::test::TempDir dir;
    CDlgLanguage dialog(dir.File("language.ini"));
    dialog.show();
    QLineEdit* text = dialog.Combo(vyr::kIdLanguageChoice)->lineEdit();
    text->selectAll();
    QTest::keyClicks(text, "Deutsch");
    ClickControl(dialog, vyr::kIdOk);
    const auto bytes = ReadFileBytes(dir.File("language.ini"));
    EXPECT_EQ(vyr::test::U32At(bytes, 0), 0xFFFFFFFFu);
    EXPECT_EQ(vyr::test::U32At(bytes, 4), 73u);
}

}  // namespace
