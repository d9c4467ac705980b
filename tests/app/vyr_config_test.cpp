// The settings dialog through its controls: the radio button a stored camera type checks, clicks
// written at once, Cancel after a click, OK with the number box and the notification of the main
// window.
#include "app/dialogs/vyr_config.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "app/core/vyr_app.h"
#include "support/file_bytes.h"
#include "support/gui/dialog_actions.h"
#include "support/temp_dir.h"

namespace {

using vyr::CVyrConfig;
using vyr::test::ClickControl;
using vyr::test::U32At;

class RecordingMainWindow : public vyr::NotificationTarget {
public:
    void OnSnapshot(const vyr::NotificationRecord&) override {}
    void OnSettingsChanged(const vyr::SettingsBytes& settings) override {
        received.push_back(settings);
    }
    void OnDeviceEvent(const vyr::NotificationRecord&) override {}
    std::vector<vyr::SettingsBytes> received;
};

class SettingsDialogTest : public ::testing::Test {
protected:
    void Store(int32_t language, int32_t box, int32_t colour, int32_t camera) {
        const vyr::SettingsBytes bytes = vyr::SettingsToBytes({language, box, colour, camera});
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), 16);
    }
    std::vector<uint8_t> Bytes() const { return vyr::test::ReadFileBytes(path_); }
    std::vector<bool> Checks(CVyrConfig& dialog) {
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

TEST_F(SettingsDialogTest, TheStoredCameraTypeChecksOneButton) {
    const std::vector<std::pair<int32_t, std::vector<bool>>> cases = {
        {0, {true, false, false}}, {1, {false, true, false}},  {2, {false, false, true}},
        {7, {false, false, true}}, {-3, {false, false, true}},
    };
    for (const auto& [type, checks] : cases) {
        Store(3, 55, 1, type);
        CVyrConfig dialog(app_);
        dialog.show();
        EXPECT_EQ(Checks(dialog), checks) << type;
        EXPECT_EQ(dialog.Combo(vyr::kIdConfigLanguage)->currentIndex(), 3);
        EXPECT_EQ(dialog.Edit(vyr::kIdBoxNumber)->text(), "55");
        EXPECT_TRUE(dialog.Edit(vyr::kIdBoxNumber)->isHidden());
    }
}

TEST_F(SettingsDialogTest, ACameraTypeClickIsWrittenAtOnceAndSurvivesCancel) {
    Store(2, 73, 1, 7);
    CVyrConfig dialog(app_);
    dialog.show();
    // A language chosen only in the box is not written by a click, nor kept by Cancel.
    QTest::keyClick(dialog.Combo(vyr::kIdConfigLanguage), Qt::Key_Down);
    ClickControl(dialog, vyr::kIdCameraR905K);
    EXPECT_EQ(Checks(dialog), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{2, 0, 0, 0, 73, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    // A second click on the same button keeps it checked.
    ClickControl(dialog, vyr::kIdCameraR905K);
    EXPECT_EQ(Checks(dialog), (std::vector<bool>{false, true, false}));
    ClickControl(dialog, vyr::kIdCancel);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(U32At(Bytes(), 12), 1u);
    EXPECT_EQ(U32At(Bytes(), 0), 2u);
}

TEST_F(SettingsDialogTest, OkStoresTheBoxNumberAndLanguageAndNotifiesTheMainWindow) {
    Store(0, 73, 2, 0);
    RecordingMainWindow mainWindow;
    app_.SetMainWindow(&mainWindow);
    CVyrConfig dialog(app_);
    dialog.show();
    dialog.Edit(vyr::kIdBoxNumber)->setText("12abc");
    QTest::keyClick(dialog.Combo(vyr::kIdConfigLanguage), Qt::Key_Down);
    ClickControl(dialog, vyr::kIdCameraHandle);
    ClickControl(dialog, vyr::kIdOk);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 12, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(Bytes(), expected);
    ASSERT_EQ(mainWindow.received.size(), 1u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mainWindow.received[0].begin()));
    app_.SetMainWindow(nullptr);
}

TEST_F(SettingsDialogTest, WithoutAFileItStartsFromTheDefaultsAndOkNeedsNoMainWindow) {
    CVyrConfig dialog(app_);
    dialog.show();
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 0, 0, 0, 73, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Checks(dialog), (std::vector<bool>{true, false, false}));
    dialog.Combo(vyr::kIdConfigLanguage)->setEditText("Klingon");
    ClickControl(dialog, vyr::kIdOk);
    EXPECT_EQ(U32At(Bytes(), 0), 0xFFFFFFFFu);
}

}  // namespace
