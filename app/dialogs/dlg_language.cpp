// Template 137 and the language dialog's two handlers.
#include "app/dialogs/dlg_language.h"

#include <array>
#include <utility>

#include "app/dialogs/language_items.h"
#include "platform/dialogs/combo_selection.h"
#include "settings/settings_file.h"

namespace vyr {
namespace {

constexpr std::array<ControlTemplate, 3> kControls = {{
    {kIdLanguageChoice,
     ControlKind::kComboDropDown,
     "",
     {22, 11, 91, 51},
     kStyleNone,
     kLanguageItems},
    {kIdOk, ControlKind::kDefaultButton, "确定", {12, 32, 50, 14}},
    {kIdCancel, ControlKind::kButton, "取消", {73, 32, 50, 14}},
}};

constexpr DialogTemplate kTemplate137{137, "Language setting", 139, 53, kShellDlg8, kControls};

}  // namespace

CDlgLanguage::CDlgLanguage(std::filesystem::path settingsFile, QWidget* parent)
    : TemplateDialog(kTemplate137, parent), settingsFile_(std::move(settingsFile)) {
    copy_ = SettingsToBytes(ReadSettingsOrCreate(settingsFile_));
    // English whatever the file holds: a freshly created file holds 0.
    SelectComboItem(Combo(kIdLanguageChoice), 0);
    OnCommand(kIdOk, [this] { OnOk(); });
}

void CDlgLanguage::OnOk() {
    chosenIndex_ = ComboSelection(Combo(kIdLanguageChoice));
    Settings settings = SettingsFromBytes(copy_);
    settings.languageIndex = chosenIndex_;
    copy_ = SettingsToBytes(settings);
    (void)WriteSettingsFile(settingsFile_, copy_);
    EndOk();
}

}  // namespace vyr
