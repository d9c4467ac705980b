// Start-up and the chain of windows. The first start (no language.ini) shows the language dialog;
// then the patient dialog and the main window alternate in a loop: Enter in the patient dialog
// opens the main window, the main window's Exit opens a fresh patient dialog, and closing either
// window any other way ends the program.
#pragma once

#include <functional>

namespace vyr {

class CVyrApp;

// How a main window's modal run ended.
enum class ChainStep {
    kEnd,             // closed (close box): the program ends
    kBackToPatients,  // Exit: a fresh patient dialog opens
};

// Runs one main window modally for the current patient.
using MainWindowRunner = std::function<ChainStep(CVyrApp& app)>;

// The start-up order: (there are no sockets to initialise on this platform) the language dialog
// when language.ini does not exist, no chosen picture and an all-zero current patient, then the
// window chain. Returns the process's exit code, 0.
int InitInstance(CVyrApp& app, const MainWindowRunner& runMainWindow);

}  // namespace vyr
