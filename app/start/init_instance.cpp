// The window chain as a loop instead of nested modal runs: each window is ended before the next
// one opens, so the stack does not grow with every Enter and Exit.
#include "app/start/init_instance.h"

#include "app/core/vyr_app.h"
#include "app/dialogs/dlg_language.h"
#include "patients/dialog/vyr_dlg.h"
#include "settings/settings_file.h"

namespace vyr {

int InitInstance(CVyrApp& app, const MainWindowRunner& runMainWindow) {
    if (!SettingsFileIsPresent(app.config().settingsFile)) {
        // The dialog writes the defaults as it opens, so even Cancel leaves English behind.
        CDlgLanguage language(app.config().settingsFile);
        (void)language.exec();
    }
    app.ResetForStart();
    for (;;) {
        bool entered = false;
        {
            CVyrDlg patients(app);
            (void)patients.exec();
            entered = patients.entered();
        }
        if (!entered || !runMainWindow || runMainWindow(app) != ChainStep::kBackToPatients) {
            return 0;
        }
    }
}

}  // namespace vyr
