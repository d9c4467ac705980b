// CDlgLanguage, the first-run language dialog (template 137): a language choice, OK and Cancel.
// Opening it creates language.ini with the defaults when it is missing and selects "English"; OK
// stores the chosen item's index (-1 for typed text) at offset 0 and writes the whole file; Cancel
// leaves the file as opening it left it.
#pragma once

#include <filesystem>

#include "platform/dialogs/template_dialog.h"
#include "platform/notification_target.h"

namespace vyr {

inline constexpr int kIdLanguageChoice = 1057;

class CDlgLanguage : public TemplateDialog {
public:
    explicit CDlgLanguage(std::filesystem::path settingsFile, QWidget* parent = nullptr);

    // The index stored by OK (-1: no item chosen); 0 until OK.
    int chosenIndex() const { return chosenIndex_; }

private:
    void OnOk();

    std::filesystem::path settingsFile_;
    SettingsBytes copy_{};
    int chosenIndex_ = 0;
};

}  // namespace vyr
