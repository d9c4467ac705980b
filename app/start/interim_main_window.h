// A stand-in for the main window until the real one exists: it shows the current patient and has
// an Exit button that goes back to the patient dialog. Its close box ends the program.
#pragma once

#include "app/start/init_instance.h"
#include "platform/dialogs/template_dialog.h"

namespace vyr {

class CVyrApp;

inline constexpr int kIdInterimName = 1000;
inline constexpr int kIdInterimGender = 1003;
inline constexpr int kIdInterimTel = 1005;
inline constexpr int kIdInterimAge = 1013;
inline constexpr int kIdInterimExit = 1020;

class InterimMainWindow : public TemplateDialog {
public:
    // Sets the application's photo folder to the current patient's, {exe dir}/jpg/{tel}.
    explicit InterimMainWindow(CVyrApp& app, QWidget* parent = nullptr);

    ChainStep step() const { return step_; }

private:
    ChainStep step_ = ChainStep::kEnd;
};

// Runs the interim main window modally and reports how it ended.
ChainStep RunInterimMainWindow(CVyrApp& app);

}  // namespace vyr
