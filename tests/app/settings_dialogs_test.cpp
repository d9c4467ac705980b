// The first-run language dialog and the settings dialog through their controls: every language item
// stores its index (one table for both windows), the camera type a stored number checks, clicks
// written at once, Cancel, and OK with the number box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "app/core/vyr_app.h"
#include "app/dialogs/dlg_language.h"
#include "app/dialogs/vyr_config.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/temp_dir.h"

namespace {

using vyr::test::ClickControl;
using Bytes = std::vector<uint8_t>;

// The items of both language boxes, in the order of the index each stores.
const char* const kLanguages[] = {"English",   "中文",     "Spanish",
                                  "Português", "Italiano", "繁體中文"};

Bytes SettingsBytes(int32_t language, int32_t box, int32_t colour, int32_t camera) {
    const vyr::SettingsBytes bytes = vyr::SettingsToBytes({language, box, colour, camera});
    return Bytes(bytes.begin(), bytes.end());
}

class SettingsDialogs : public ::testing::Test {
protected:
    void Store(const Bytes& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), 16);
    }
    Bytes Stored() const { return vyr::test::ReadFileBytes(path_); }
    // Chooses an item with the keyboard, from the top of the list.
    static void Choose(QComboBox* box, int index) {
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(box, Qt::Key_Up);
        }
        for (int i = 0; i < index; ++i) {
            QTest::keyClick(box, Qt::Key_Down);
        }
    }
    std::vector<bool> Checks(vyr::CVyrConfig& dialog) {
        return {dialog.Button(vyr::kIdCameraDefault)->isChecked(),
                dialog.Button(vyr::kIdCameraR905K)->isChecked(),
                dialog.Button(vyr::kIdCameraHandle)->isChecked()};
    }

    vyr::test::TempDir dir_;
    std::string path_ = dir_.File("language.ini");
    vyr::CVyrApp app_{{.cameraAddress = vyr::kDefaultCameraAddress,
                       .settingsFile = path_,
                       .patientFile = dir_.File("usrinfo.bin"),
                       .exeDir = dir_.path().string()},
                      {}};
};

TEST_F(SettingsDialogs, EveryLanguageItemStoresItsIndexAndKeepsTheOtherNumbers) {
    for (int index = 0; index < 6; ++index) {
        SCOPED_TRACE(kLanguages[index]);
        Store(SettingsBytes(2, 9, 1, 2));
        {
            vyr::CDlgLanguage dialog(path_);
            dialog.show();
            EXPECT_EQ(dialog.Combo(vyr::kIdLanguageChoice)->currentText(), "English");
            Choose(dialog.Combo(vyr::kIdLanguageChoice), index);
            EXPECT_EQ(dialog.Combo(vyr::kIdLanguageChoice)->currentText(),
                      QString::fromUtf8(kLanguages[index]));
            ClickControl(dialog, vyr::kIdOk);
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(Stored(), SettingsBytes(index, 9, 1, 2));
        }
        Store(SettingsBytes(5 - index, 9, 1, 2));
        vyr::CVyrConfig dialog(app_);
        dialog.show();
        EXPECT_EQ(dialog.Combo(vyr::kIdConfigLanguage)->currentIndex(), 5 - index);
        Choose(dialog.Combo(vyr::kIdConfigLanguage), index);
        EXPECT_EQ(dialog.Combo(vyr::kIdConfigLanguage)->currentText(),
                  QString::fromUtf8(kLanguages[index]));
        ClickControl(dialog, vyr::kIdOk);
        EXPECT_EQ(Stored(), SettingsBytes(index, 9, 1, 2));
    }
}

TEST_F(SettingsDialogs, TheStoredCameraTypeChecksOneButtonAndAClickIsWrittenAtOnce) {
    // Any type other than 0 and 1 shows as the third.
    for (const auto& [type, checks] : {std::pair{0, std::vector<bool>{true, false, false}},
                                       std::pair{-3, std::vector<bool>{false, false, true}},
                                       std::pair{7, std::vector<bool>{false, false, true}}}) {
        Store(SettingsBytes(2, 55, 1, type));
        vyr::CVyrConfig dialog(app_);
        dialog.show();
        EXPECT_EQ(Checks(dialog), checks) << type;
        EXPECT_TRUE(dialog.Edit(vyr::kIdBoxNumber)->isHidden());
        if (type != 7) {
            continue;
        }
        // A language chosen only in the box is not written by a click, nor kept by Cancel.
        QTest::keyClick(dialog.Combo(vyr::kIdConfigLanguage), Qt::Key_Down);
        ClickControl(dialog, vyr::kIdCameraR905K);
        ClickControl(dialog, vyr::kIdCameraR905K);  // a second click keeps it checked
        EXPECT_EQ(Checks(dialog), (std::vector<bool>{false, true, false}));
        EXPECT_EQ(Stored(), SettingsBytes(2, 55, 1, 1));
        ClickControl(dialog, vyr::kIdCancel);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(Stored(), SettingsBytes(2, 55, 1, 1));
    }
}

// The main window's notification is tests/ui's (the main window shows the chosen language).
TEST_F(SettingsDialogs, OkStoresTheBoxNumber) {
    Store(SettingsBytes(0, 73, 2, 0));
    vyr::CVyrConfig dialog(app_);
    dialog.show();
    dialog.Edit(vyr::kIdBoxNumber)->setText("12abc");
    ClickControl(dialog, vyr::kIdCameraHandle);
    ClickControl(dialog, vyr::kIdOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Stored(), SettingsBytes(0, 12, 2, 2));
}

}  // namespace
