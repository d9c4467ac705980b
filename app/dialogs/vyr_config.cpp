// Template 132 and the settings dialog's handlers.
#include "app/dialogs/vyr_config.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <array>

#include "app/core/vyr_app.h"
#include "app/dialogs/language_items.h"
#include "platform/dialogs/combo_selection.h"
#include "settings/number_text.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

constexpr std::array<ControlTemplate, 11> kControls = {{
    {kNoControlId, ControlKind::kGroupBox, "Language", {7, 7, 146, 30}},
    {kIdConfigLanguage,
     ControlKind::kComboDropDown,
     "",
     {34, 19, 69, 51},
     kStyleNone,
     kLanguageItems},
    {kIdCameraTypeGroup, ControlKind::kGroupBox, "Camera Type", {7, 41, 146, 73}},
    {kIdCameraDefault, ControlKind::kAutoRadio, "Default", {12, 55, 38, 10}, kStyleOwnGroup},
    {kIdCameraR905K, ControlKind::kAutoRadio, "R905K", {61, 55, 33, 10}, kStyleOwnGroup},
    {kIdCameraHandle, ControlKind::kAutoRadio, "HANDLE", {108, 55, 38, 10}, kStyleOwnGroup},
    {kNoControlId,
     ControlKind::kLabel,
     "If you want your computer's wired network to be connected to the internet, please choose "
     "another option",
     {14, 72, 129, 35}},
    {kIdBoxNumber, ControlKind::kEdit, "", {135, 107, 18, 12}, kStyleBorder | kStyleHidden},
    {kNoControlId, ControlKind::kLabel, "Ver8.1: 2024/01/20", {20, 123, 62, 8}},
    {kIdOk, ControlKind::kDefaultButton, "确定", {19, 143, 50, 20}},
    {kIdCancel, ControlKind::kButton, "取消", {78, 143, 50, 20}},
}};

constexpr DialogTemplate kTemplate132{132, "Setting", 154, 173, kSystem10, kControls};

constexpr std::array<int, 3> kCameraTypeButtons = {kIdCameraDefault, kIdCameraR905K,
                                                   kIdCameraHandle};

}  // namespace

CVyrConfig::CVyrConfig(CVyrApp& app, QWidget* parent)
    : TemplateDialog(kTemplate132, parent), app_(app) {
    const Settings settings = ReadSettingsOrCreate(app_.config().settingsFile);
    copy_ = SettingsToBytes(settings);
    languageChoice_ = settings.languageIndex;
    cameraTypeChoice_ = settings.cameraType;
    SelectComboItem(Combo(kIdConfigLanguage), languageChoice_);
    // Any camera type other than 0 and 1 works as the H.264 type, so "HANDLE" shows it.
    CheckCameraType(cameraTypeChoice_ == 0 || cameraTypeChoice_ == 1 ? cameraTypeChoice_ : 2);
    Edit(kIdBoxNumber)->setText(QString::number(settings.boxNumber));

    for (int type = 0; type < 3; ++type) {
        OnCommand(kCameraTypeButtons[type], [this, type] { OnCameraType(type); });
    }
    OnCommand(kIdOk, [this] { OnOk(); });
}

void CVyrConfig::CheckCameraType(int cameraType) {
    for (int type = 0; type < 3; ++type) {
        Button(kCameraTypeButtons[type])->setChecked(type == cameraType);
    }
}

void CVyrConfig::OnCameraType(int cameraType) {
    cameraTypeChoice_ = cameraType;
    CheckCameraType(cameraType);
    // Written at once, with the language loaded at opening (not the box's current choice) and the
    // other two numbers as loaded.
    Settings settings = SettingsFromBytes(copy_);
    settings.languageIndex = languageChoice_;
    settings.cameraType = cameraTypeChoice_;
    (void)WriteSettingsFile(app_.config().settingsFile, SettingsToBytes(settings));
}

void CVyrConfig::OnOk() {
    Settings settings = SettingsFromBytes(copy_);
    settings.boxNumber = NumberTextToInt32(Edit(kIdBoxNumber)->text().toStdString());
    languageChoice_ = ComboSelection(Combo(kIdConfigLanguage));
    settings.languageIndex = languageChoice_;
    settings.cameraType = cameraTypeChoice_;
    copy_ = SettingsToBytes(settings);
    (void)WriteSettingsFile(app_.config().settingsFile, copy_);
    if (NotificationTarget* mainWindow = app_.GetMainWindow(); mainWindow != nullptr) {
        mainWindow->OnSettingsChanged(copy_);
    }
    EndOk();
}

}  // namespace vyr
